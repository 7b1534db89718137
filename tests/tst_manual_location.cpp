#include "app/manual_location.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The Help menu's manual is found both in an installed prefix and in a source tree run from its root.
class TestManualLocation : public QObject {
    Q_OBJECT

    static void touch(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n");
    }

private slots:
    void installedManualBesideTheProgramWinsOverTheStartFolder()
    {
        QTemporaryDir prefix, tree;
        touch(prefix.filePath("share/doc/veltrin/manual_en.pdf"));
        touch(prefix.filePath("share/doc/veltrin/manual_cn.pdf"));
        touch(tree.filePath("manual/manual_en.pdf"));
        QDir().mkpath(prefix.filePath("bin"));
        QCOMPARE(manualFilePath(Language::English, prefix.filePath("bin"), tree.path()),
                 QDir::cleanPath(prefix.filePath("share/doc/veltrin/manual_en.pdf")));
        QCOMPARE(manualFilePath(Language::Chinese, prefix.filePath("bin"), tree.path()),
                 QDir::cleanPath(prefix.filePath("share/doc/veltrin/manual_cn.pdf")));
    }

    void buildRunFromTheSourceTreeFindsItsManualFolder()
    {
        QTemporaryDir build, tree;
        touch(tree.filePath("manual/manual_cn.pdf"));
        QCOMPARE(manualFilePath(Language::Chinese, build.filePath("src"), tree.path()),
                 QDir::cleanPath(tree.filePath("manual/manual_cn.pdf")));
        // Missing everywhere: the start folder's path, never the other language's file.
        QCOMPARE(manualFilePath(Language::English, build.filePath("src"), tree.path()),
                 QDir::cleanPath(tree.filePath("manual/manual_en.pdf")));
    }

    // A build (or an unpacked copy) started from another folder finds the manual kept beside the
    // program; when it is nowhere, every place looked at can be named.
    void manualBesideTheProgramIsFoundFromAnyFolder()
    {
        QTemporaryDir build, elsewhere;
        touch(build.filePath("src/manual/manual_en.pdf"));
        touch(build.filePath("src/manual_cn.pdf"));
        QCOMPARE(manualFilePath(Language::English, build.filePath("src"), elsewhere.path()),
                 QDir::cleanPath(build.filePath("src/manual/manual_en.pdf")));
        QCOMPARE(manualFilePath(Language::Chinese, build.filePath("src"), elsewhere.path()),
                 QDir::cleanPath(build.filePath("src/manual_cn.pdf")));
        QTemporaryDir empty;
        const QStringList looked =
            manualSearchPaths(Language::English, empty.filePath("bin"), elsewhere.path());
        QVERIFY(looked.contains(QDir::cleanPath(empty.filePath("bin/manual/manual_en.pdf"))));
        QVERIFY(looked.contains(QDir::cleanPath(elsewhere.filePath("manual/manual_en.pdf"))));
    }
};

QTEST_MAIN(TestManualLocation)
#include "tst_manual_location.moc"
