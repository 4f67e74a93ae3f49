#include "ConfigManager.h"
#include "LanguageManager.h"
#include "SettingsDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private:
    QSharedPointer<ConfigManager> config = ConfigManager::instance();

    void store(int width, int height, int type, int threshold)
    {
        config->setValue(QStringLiteral("sign/tagWidth"), width);
        config->setValue(QStringLiteral("sign/tagHeight"), height);
        config->setValue(QStringLiteral("sign/defaultType"), type);
        config->setValue(QStringLiteral("fp/threshold"), threshold);
        QVERIFY(config->saveConfig());
    }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QRadioButton *checkedRadio(SettingsDialog &dialog)
    {
        for (QRadioButton *radio : dialog.findChildren<QRadioButton *>())
            if (radio->isChecked())
                return radio;
        return nullptr;
    }

    static QString radioText(int index)
    {
        static const char *const english[] = {"Sign Only", "Fingerprint Only", "Sign + Fingerprint"};
        return QString::fromLatin1(english[index]);
    }

private slots:
    void init()
    {
        LanguageManager::instance().setLanguage(LanguageManager::Language::English);
        QFile::remove(config->path());
        config->loadConfig();
    }

    void showsAndSavesStoredValues_data()
    {
        QTest::addColumn<int>("storedWidth");
        QTest::addColumn<int>("storedHeight");
        QTest::addColumn<int>("storedType");
        QTest::addColumn<int>("storedThreshold");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("threshold");

        QTest::newRow("in range") << 200 << 90 << 3 << 75 << 200 << 90 << 3 << 75;
        QTest::newRow("fingerprint only") << 128 << 64 << 2 << 60 << 128 << 64 << 2 << 60;
        QTest::newRow("type 0 is sign only") << 128 << 64 << 0 << 60 << 128 << 64 << 1 << 60;
        QTest::newRow("type 5 is sign only") << 128 << 64 << 5 << 60 << 128 << 64 << 1 << 60;
        QTest::newRow("too small") << 10 << 2 << 1 << 5 << 32 << 16 << 1 << 30;
        QTest::newRow("too large") << 20000 << 10000 << 1 << 150 << 9999 << 9999 << 1 << 99;
    }

    void showsAndSavesStoredValues()
    {
        QFETCH(int, storedWidth);
        QFETCH(int, storedHeight);
        QFETCH(int, storedType);
        QFETCH(int, storedThreshold);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, type);
        QFETCH(int, threshold);
        store(storedWidth, storedHeight, storedType, storedThreshold);

        QPointer<SettingsDialog> dialog = new SettingsDialog(config);
        dialog->show();
        QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("widthSpin"))->value(), width);
        QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("heightSpin"))->value(), height);
        QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("qualitySpin"))->value(), threshold);
        QRadioButton *radio = checkedRadio(*dialog);
        QVERIFY(radio);
        QCOMPARE(radio->text(), radioText(type - 1));

        // Saving without touching a field writes what the dialog shows, not what was stored.
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QTRY_VERIFY(dialog.isNull());

        config->loadConfig();
        QCOMPARE(config->value(QStringLiteral("sign/tagWidth")).toInt(), width);
        QCOMPARE(config->value(QStringLiteral("sign/tagHeight")).toInt(), height);
        QCOMPARE(config->value(QStringLiteral("sign/defaultType")).toInt(), type);
        QCOMPARE(config->value(QStringLiteral("fp/threshold")).toInt(), threshold);
    }

    void savesEditedFields()
    {
        store(128, 64, 1, 60);
        QPointer<SettingsDialog> dialog = new SettingsDialog(config);
        dialog->findChild<QSpinBox *>(QStringLiteral("widthSpin"))->setValue(300);
        dialog->findChild<QSpinBox *>(QStringLiteral("heightSpin"))->setValue(120);
        dialog->findChild<QSpinBox *>(QStringLiteral("qualitySpin"))->setValue(88);
        for (QRadioButton *radio : dialog->findChildren<QRadioButton *>())
            if (radio->text() == radioText(1))
                radio->setChecked(true);
        dialog->saveSettings();
        QTRY_VERIFY(dialog.isNull());

        config->loadConfig();
        QCOMPARE(config->value(QStringLiteral("sign/tagWidth")).toInt(), 300);
        QCOMPARE(config->value(QStringLiteral("sign/tagHeight")).toInt(), 120);
        QCOMPARE(config->value(QStringLiteral("sign/defaultType")).toInt(), 2);
        QCOMPARE(config->value(QStringLiteral("fp/threshold")).toInt(), 88);
    }

    void unsavedSettingsAreShown()
    {
        QStringList shown;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown << box->text();
                box->accept();
            }
        });
        answer.start(5);
        // A file where the settings folder should be: no one, root included, can write there.
        const QString folder = QFileInfo(config->path()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        QPointer<SettingsDialog> dialog = new SettingsDialog(config);
        dialog->show();
        dialog->saveSettings();
        QFile::remove(folder);
        QCOMPARE(shown, QStringList{"Settings could not be saved"});
        QTRY_VERIFY(dialog.isNull());
    }

    void closingLeavesTheFileUnchanged_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("close button") << false;
        QTest::newRow("window close box") << true;
    }

    void closingLeavesTheFileUnchanged()
    {
        QFETCH(bool, byCloseBox);
        store(10, 64, 5, 60);
        const QByteArray before = fileBytes(config->path());
        QVERIFY(!before.isEmpty());

        QPointer<SettingsDialog> dialog = new SettingsDialog(config);
        dialog->show();
        dialog->findChild<QSpinBox *>(QStringLiteral("widthSpin"))->setValue(500);
        dialog->findChild<QSpinBox *>(QStringLiteral("qualitySpin"))->setValue(40);
        if (byCloseBox)
            dialog->close();
        else
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());

        QCOMPARE(fileBytes(config->path()), before);
        QCOMPARE(config->value(QStringLiteral("sign/tagWidth")).toInt(), 10);
        QCOMPARE(config->value(QStringLiteral("fp/threshold")).toInt(), 60);
    }

    void textsFollowTheLanguageWhenBuilt_data()
    {
        QTest::addColumn<LanguageManager::Language>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("tab0");
        QTest::addColumn<QString>("tab1");
        QTest::addColumn<QString>("save");
        QTest::newRow("English") << LanguageManager::Language::English << "Settings" << "Sign Settings"
                                 << "Other Settings" << "Save";
        QTest::newRow("Chinese") << LanguageManager::Language::ZhCN << QString::fromUtf8("软件设置")
                                 << QString::fromUtf8("签名设置") << QString::fromUtf8("其他设置")
                                 << QString::fromUtf8("保存");
    }

    void textsFollowTheLanguageWhenBuilt()
    {
        QFETCH(LanguageManager::Language, language);
        QFETCH(QString, title);
        QFETCH(QString, tab0);
        QFETCH(QString, tab1);
        QFETCH(QString, save);
        LanguageManager::instance().setLanguage(language);

        SettingsDialog dialog(config);
        auto *tabs = dialog.findChild<QTabWidget *>();
        auto check = [&] {
            QCOMPARE(dialog.windowTitle(), title);
            QCOMPARE(tabs->tabText(0), tab0);
            QCOMPARE(tabs->tabText(1), tab1);
            QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("saveButton"))->text(), save);
        };
        check();

        // An open dialog keeps the texts it was built with.
        LanguageManager::instance().setLanguage(language == LanguageManager::Language::English
                                                    ? LanguageManager::Language::ZhCN
                                                    : LanguageManager::Language::English);
        check();
    }

    void isModalAndSized()
    {
        SettingsDialog dialog(config);
        QVERIFY(dialog.isModal());
        QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(dialog.minimumSize(), QSize(620, 520));
        QCOMPARE(dialog.size(), QSize(640, 560));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "tst_settingsdialog.moc"
