#pragma once

#include <QByteArray>

// A data file of `lines` appointments with a realistic mix of frequencies, dates from 2020 to
// 2030, times spread over the day and contents of a few words, some of them not ASCII.
// The same count always gives the same file.
QByteArray GenerateBook(int lines);
