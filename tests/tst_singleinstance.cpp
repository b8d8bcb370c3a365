#include "platform/singleinstance.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void onlyOneHoldsTheFolder()
    {
        QTemporaryDir folder;
        QTemporaryDir otherFolder;
        {
            const platform::SingleInstance first(folder.path());
            QVERIFY(first.acquired());
            QVERIFY(!platform::SingleInstance(folder.path()).acquired());
            // Another installation is another program.
            QVERIFY(platform::SingleInstance(otherFolder.path()).acquired());
        }
        QVERIFY(platform::SingleInstance(folder.path()).acquired());
    }

    void lockOfACrashedInstanceIsTakenOver()
    {
        QTemporaryDir folder;
        // A process that has ended, as after a crash: its id is free now.
        QProcess gone;
        gone.start(u"true"_s);
        const qint64 deadPid = gone.processId();
        QVERIFY(deadPid > 0);
        QVERIFY(gone.waitForFinished());
        QFile lock(platform::SingleInstance::lockPathFor(folder.path()));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(QByteArray::number(deadPid) + "\nzentavo\n\n");
        lock.close();

        QVERIFY(platform::SingleInstance(folder.path()).acquired());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
