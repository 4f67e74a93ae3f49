#include "SafeCopy.h"

#include <QtTest>

class SafeCopyTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void replacesAnExistingTarget();
    void createsAMissingTarget();
    void refusals_data();
    void refusals();

private:
    QString write(const QString &name, const QByteArray &bytes);
    static QByteArray read(const QString &path);

    QScopedPointer<QTemporaryDir> dir;
};

void SafeCopyTest::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

QString SafeCopyTest::write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

QByteArray SafeCopyTest::read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void SafeCopyTest::replacesAnExistingTarget()
{
    const QByteArray big(300 * 1024, 'n'); // more than one copy buffer
    const QString source = write("new.pdf", big);
    const QString target = write("target.pdf", "old contents that are longer than nothing");
    QVERIFY(SafeCopy::copyOver(source, target));
    QCOMPARE(read(target), big);
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 2); // no temporary left beside it
}

void SafeCopyTest::createsAMissingTarget()
{
    const QString source = write("new.pdf", "%PDF-1.7 new");
    const QString target = dir->filePath("fresh.pdf");
    QVERIFY(SafeCopy::copyOver(source, target));
    QCOMPARE(read(target), QByteArray("%PDF-1.7 new"));
}

void SafeCopyTest::refusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("read-only target") << "readonly";
    QTest::newRow("target is a folder") << "folder";
    QTest::newRow("target folder missing") << "nofolder";
    QTest::newRow("source missing") << "nosource";
}

void SafeCopyTest::refusals()
{
    QFETCH(QString, situation);
    QString source = write("new.pdf", "%PDF-1.7 new");
    QString target = write("target.pdf", "old");
    if (situation == "readonly") {
        QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    } else if (situation == "folder") {
        target = dir->filePath("sub");
        QVERIFY(QDir(dir->path()).mkdir("sub"));
    } else if (situation == "nofolder") {
        target = dir->filePath("missing/target.pdf");
    } else {
        source = dir->filePath("gone.pdf");
    }
    QVERIFY(!SafeCopy::copyOver(source, target));
    if (situation == "readonly" || situation == "nosource")
        QCOMPARE(read(target), QByteArray("old"));
    if (situation == "folder")
        QVERIFY(QFileInfo(target).isDir());
    if (situation == "nofolder")
        QVERIFY(!QFile::exists(target));
}

QTEST_GUILESS_MAIN(SafeCopyTest)
#include "tst_safecopy.moc"
