#pragma once

#include "platform/dialogs.h"

#include <QString>

class QWidget;

namespace platform {

// The dialogs as Qt's message boxes.
class MessageBoxes final : public Dialogs
{
public:
    void inform(QWidget *parent, const QString &text) override;
    bool askYesNo(QWidget *parent, const QString &text, Default preferred) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QStringList openFileNames(QWidget *parent, const QString &title,
                              const QString &filter) override;
    std::optional<QString> password(QWidget *parent, const QString &text) override;

private:
    // Where the file dialogs open: the folder of the last file chosen, at first the home folder.
    QString folder() const;
    QString m_folder;
};

} // namespace platform
