#pragma once

#include <QDialog>
#include <QSharedPointer>

class ConfigManager;
class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;
class QWidget;

// The operator's settings for new tags and fingerprint capture. Built anew on every opening,
// so it always shows the stored values; it deletes itself when closed.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SettingsDialog(QSharedPointer<ConfigManager> config, QWidget *parent = nullptr);
    ~SettingsDialog() override;

public slots:
    void saveSettings();

private:
    void setupUi();
    void loadSettings();
    void retranslateUi();
    QWidget *createPanelPage(int spacing, QVBoxLayout **panelLayout);

    QSharedPointer<ConfigManager> config;
    QTabWidget *tabWidget = nullptr;
    QWidget *signPage = nullptr;
    QSpinBox *widthSpin = nullptr;
    QSpinBox *heightSpin = nullptr;
    QButtonGroup *typeGroup = nullptr;
    QRadioButton *signOnlyRadio = nullptr;
    QRadioButton *fingerprintOnlyRadio = nullptr;
    QRadioButton *signAndFingerprintRadio = nullptr;
    QWidget *otherPage = nullptr;
    QSpinBox *qualitySpin = nullptr;
    QPushButton *closeButton = nullptr;
    QPushButton *saveButton = nullptr;

    // Labels that only carry texts.
    QLabel *sizeLabel = nullptr;
    QLabel *widthLabel = nullptr;
    QLabel *heightLabel = nullptr;
    QLabel *widthUnitLabel = nullptr;
    QLabel *heightUnitLabel = nullptr;
    QLabel *typeLabel = nullptr;
    QLabel *qualityLabel = nullptr;
    QLabel *qualityHintLabel = nullptr;
};
