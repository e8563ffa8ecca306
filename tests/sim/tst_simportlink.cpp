// SPDX-License-Identifier: GPL-3.0-or-later
// The comN link of the simulator: created, stale ones replaced, live ones and
// foreign files left alone, and only the simulator's own link removed.

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include "sim/portlink.h"

using namespace mt;

Q_DECLARE_METATYPE(mt::LinkStatus)

class TestSimPortLink : public QObject {
    Q_OBJECT
private slots:
    void create_data();
    void create();
    void makesMissingFolders();
    void folderBlockedByAFile();
    void removeOwnLinkOnly_data();
    void removeOwnLinkOnly();
};

void TestSimPortLink::create_data() {
    QTest::addColumn<QString>("before");  // what com4 is before
    QTest::addColumn<bool>("replaceLive");
    QTest::addColumn<mt::LinkStatus>("status");
    QTest::addColumn<bool>("ours");  // com4 points to the new device afterwards

    QTest::newRow("nothing there") << "" << false << LinkStatus::Created << true;
    QTest::newRow("stale link") << "stale" << false << LinkStatus::ReplacedStale << true;
    QTest::newRow("link to a live device") << "live" << false << LinkStatus::Taken << false;
    QTest::newRow("live device, replacing asked for")
        << "live" << true << LinkStatus::Replaced << true;
    QTest::newRow("a plain file") << "file" << false << LinkStatus::NotALink << false;
    QTest::newRow("a plain file, replacing asked for")
        << "file" << true << LinkStatus::NotALink << false;
    QTest::newRow("a folder") << "folder" << false << LinkStatus::NotALink << false;
}

void TestSimPortLink::create() {
    QFETCH(QString, before);
    QFETCH(bool, replaceLive);
    QFETCH(mt::LinkStatus, status);
    QFETCH(bool, ours);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/metertest/ports";
    std::string error;
    QVERIFY(MakeFolders(folder, error));
    const std::string com4 = folder + "/com4";
    if (before == "stale") {
        QCOMPARE(::symlink("/dev/pts/does-not-exist", com4.c_str()), 0);
    } else if (before == "live") {
        QCOMPARE(::symlink("/dev/null", com4.c_str()), 0);
    } else if (before == "file") {
        QFile file(QString::fromStdString(com4));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (before == "folder") {
        QCOMPARE(::mkdir(com4.c_str(), 0700), 0);
    }

    const std::string device = dir.path().toStdString() + "/device";
    const LinkResult result = CreatePortLink(folder, 4, device, replaceLive);
    QCOMPARE(result.status, status);
    QCOMPARE(result.path, com4);
    QCOMPARE(LinkTarget(com4) == device, ours);
    if (before == "live" && !ours) {
        QCOMPARE(LinkTarget(com4), std::string("/dev/null"));
        QVERIFY(result.message.find("/dev/null") != std::string::npos);
    }
    // No temporary link is left behind.
    QCOMPARE(QDir(QString::fromStdString(folder))
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"com4"});
}

void TestSimPortLink::makesMissingFolders() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/a/b/c";
    const LinkResult result = CreatePortLink(folder, 12, "/dev/null", false);
    QCOMPARE(result.status, LinkStatus::Created);
    QCOMPARE(LinkTarget(folder + "/com12"), std::string("/dev/null"));
    struct stat info {};
    QCOMPARE(::stat(folder.c_str(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700U);
}

void TestSimPortLink::folderBlockedByAFile() {
    QTemporaryDir dir;
    QFile file(dir.filePath("metertest"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const LinkResult result =
        CreatePortLink(dir.filePath("metertest/ports").toStdString(), 1, "/dev/null", false);
    QCOMPARE(result.status, LinkStatus::Failed);
    QVERIFY(!result.message.empty());
    std::string error;
    QVERIFY(!MakeFolders("", error));
}

void TestSimPortLink::removeOwnLinkOnly_data() {
    QTest::addColumn<QString>("linkTarget");  // empty: no link at all
    QTest::addColumn<bool>("removed");
    QTest::newRow("our link") << "/dev/pts/our" << true;
    QTest::newRow("taken over by another simulator") << "/dev/pts/theirs" << false;
    QTest::newRow("already gone") << "" << false;
}

void TestSimPortLink::removeOwnLinkOnly() {
    QFETCH(QString, linkTarget);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    const std::string link = dir.filePath("com1").toStdString();
    if (!linkTarget.isEmpty()) {
        QCOMPARE(::symlink(linkTarget.toStdString().c_str(), link.c_str()), 0);
    }
    QCOMPARE(RemoveOwnLink(link, "/dev/pts/our"), removed);
    QCOMPARE(LinkTarget(link).empty(), removed || linkTarget.isEmpty());
}

QTEST_GUILESS_MAIN(TestSimPortLink)
#include "tst_simportlink.moc"
