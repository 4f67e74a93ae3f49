#include "SettingsDialog.h"

#include "ConfigManager.h"
#include "LanguageManager.h"
#include "PdfSignTag.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const char *const styleSheetText =
    "QTabWidget::pane { border: none; background: transparent; }"
    "QTabBar::tab { min-width: 78px; padding: 7px 14px; }"
    "QTabBar::tab:selected { background: white; }"
    "QTabBar::tab:!selected { background: #efefef; }"
    "QWidget[settingsPanel=\"true\"] { background: white; border: 1px solid #cfcfcf; border-radius: 2px; }"
    "QSpinBox { min-height: 24px; }"
    "QPushButton { min-height: 26px; }";

QSpinBox *createSpin(int minimum, int maximum, int width)
{
    auto *spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setFixedWidth(width);
    return spin;
}

} // namespace

SettingsDialog::SettingsDialog(QSharedPointer<ConfigManager> config, QWidget *parent)
    : QDialog(parent)
    , config(std::move(config))
{
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    setModal(true);
    resize(640, 560);
    setMinimumSize(620, 520);
    setupUi();
    loadSettings();
    retranslateUi();
}

SettingsDialog::~SettingsDialog() = default;

QWidget *SettingsDialog::createPanelPage(int spacing, QVBoxLayout **panelLayout)
{
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto *panel = new QWidget;
    panel->setProperty("settingsPanel", true);
    // A plain QWidget paints its style-sheet background only with this attribute.
    panel->setAttribute(Qt::WA_StyledBackground);
    pageLayout->addWidget(panel);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(spacing);
    *panelLayout = layout;
    return page;
}

void SettingsDialog::setupUi()
{
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(10, 10, 10, 16);
    mainLayout->setSpacing(10);

    tabWidget = new QTabWidget(this);
    mainLayout->addWidget(tabWidget, 1);

    QVBoxLayout *signLayout = nullptr;
    signPage = createPanelPage(26, &signLayout);

    auto *sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(10);
    sizeLabel = new QLabel;
    widthLabel = new QLabel;
    widthSpin = createSpin(32, 9999, 72);
    widthSpin->setObjectName(QStringLiteral("widthSpin"));
    widthUnitLabel = new QLabel;
    heightLabel = new QLabel;
    heightSpin = createSpin(16, 9999, 72);
    heightSpin->setObjectName(QStringLiteral("heightSpin"));
    heightUnitLabel = new QLabel;
    sizeRow->addWidget(sizeLabel);
    sizeRow->addSpacing(16);
    sizeRow->addWidget(widthLabel);
    sizeRow->addWidget(widthSpin);
    sizeRow->addWidget(widthUnitLabel);
    sizeRow->addSpacing(18);
    sizeRow->addWidget(heightLabel);
    sizeRow->addWidget(heightSpin);
    sizeRow->addWidget(heightUnitLabel);
    sizeRow->addStretch();
    signLayout->addLayout(sizeRow);

    auto *typeRow = new QHBoxLayout;
    typeRow->setSpacing(10);
    typeLabel = new QLabel;
    typeGroup = new QButtonGroup(this);
    signOnlyRadio = new QRadioButton;
    fingerprintOnlyRadio = new QRadioButton;
    signAndFingerprintRadio = new QRadioButton;
    typeGroup->addButton(signOnlyRadio, 1);
    typeGroup->addButton(fingerprintOnlyRadio, 2);
    typeGroup->addButton(signAndFingerprintRadio, 3);
    typeRow->addWidget(typeLabel);
    typeRow->addSpacing(16);
    typeRow->addWidget(signOnlyRadio);
    typeRow->addSpacing(18);
    typeRow->addWidget(fingerprintOnlyRadio);
    typeRow->addSpacing(18);
    typeRow->addWidget(signAndFingerprintRadio);
    typeRow->addStretch();
    signLayout->addLayout(typeRow);
    signLayout->addStretch();

    QVBoxLayout *otherLayout = nullptr;
    otherPage = createPanelPage(18, &otherLayout);
    auto *qualityRow = new QHBoxLayout;
    qualityRow->setSpacing(10);
    qualityLabel = new QLabel;
    qualitySpin = createSpin(30, 99, 64);
    qualitySpin->setObjectName(QStringLiteral("qualitySpin"));
    qualityHintLabel = new QLabel;
    qualityRow->addWidget(qualityLabel);
    qualityRow->addWidget(qualitySpin);
    qualityRow->addWidget(qualityHintLabel);
    qualityRow->addStretch();
    otherLayout->addLayout(qualityRow);
    otherLayout->addStretch();

    tabWidget->addTab(signPage, QString());
    tabWidget->addTab(otherPage, QString());

    auto *buttonRow = new QHBoxLayout;
    closeButton = new QPushButton(this);
    saveButton = new QPushButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    closeButton->setFixedSize(90, 30);
    saveButton->setFixedSize(90, 30);
    buttonRow->addStretch();
    buttonRow->addWidget(closeButton);
    buttonRow->addSpacing(20);
    buttonRow->addWidget(saveButton);
    mainLayout->addLayout(buttonRow);

    setStyleSheet(QString::fromLatin1(styleSheetText));

    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, &SettingsDialog::saveSettings);
}

void SettingsDialog::loadSettings()
{
    // QSpinBox clamps a stored value outside its range, which is what the operator must see.
    widthSpin->setValue(config->value(QStringLiteral("sign/tagWidth")).toInt());
    heightSpin->setValue(config->value(QStringLiteral("sign/tagHeight")).toInt());
    qualitySpin->setValue(config->value(QStringLiteral("fp/threshold")).toInt());

    const int type = config->value(QStringLiteral("sign/defaultType")).toInt();
    if (type == PdfSignTag::FpOnly)
        fingerprintOnlyRadio->setChecked(true);
    else if (type == PdfSignTag::SignAndFp)
        signAndFingerprintRadio->setChecked(true);
    else
        signOnlyRadio->setChecked(true);
}

void SettingsDialog::retranslateUi()
{
    setWindowTitle(LanguageManager::instance().translate(QStringLiteral("settings_title")));
    const bool english = LanguageManager::instance().currentLanguage() == LanguageManager::Language::English;
    auto text = [english](const char *en, const char *zh) {
        return english ? QString::fromUtf8(en) : QString::fromUtf8(zh);
    };
    tabWidget->setTabText(0, text("Sign Settings", "签名设置"));
    tabWidget->setTabText(1, text("Other Settings", "其他设置"));
    sizeLabel->setText(text("Tag Size", "标签大小"));
    widthLabel->setText(text("Width", "宽"));
    heightLabel->setText(text("Height", "高"));
    widthUnitLabel->setText(text("px", "像素"));
    heightUnitLabel->setText(text("px", "像素"));
    typeLabel->setText(text("Default Type", "默认类型"));
    signOnlyRadio->setText(text("Sign Only", "仅签名"));
    fingerprintOnlyRadio->setText(text("Fingerprint Only", "仅指纹"));
    signAndFingerprintRadio->setText(text("Sign + Fingerprint", "签名+指纹"));
    qualityLabel->setText(text("Fingerprint Quality (30~99)", "指纹图像质量(30~99)"));
    qualityHintLabel->setText(text("Default 60", "默认60"));
    closeButton->setText(text("Close", "关闭"));
    saveButton->setText(text("Save", "保存"));
}

void SettingsDialog::saveSettings()
{
    int type = PdfSignTag::SignOnly;
    if (fingerprintOnlyRadio->isChecked())
        type = PdfSignTag::FpOnly;
    else if (signAndFingerprintRadio->isChecked())
        type = PdfSignTag::SignAndFp;

    config->setValue(QStringLiteral("sign/tagWidth"), widthSpin->value());
    config->setValue(QStringLiteral("sign/tagHeight"), heightSpin->value());
    config->setValue(QStringLiteral("sign/defaultType"), type);
    config->setValue(QStringLiteral("fp/threshold"), qualitySpin->value());
    if (!config->saveConfig()) {
        qWarning() << "settings not saved to" << config->path();
        QMessageBox::warning(this, translated("error"), translated("settings_save_failed"));
    }
    accept();
}
