#pragma once

#include "LanguageManager.h"
#include "PdfSignData.h"

#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QSharedPointer>

class ConfigManager;
class IDFPController;
class PdfSignCoreWidget;
class QButtonGroup;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class SettingsDialog;
class ToolbarActionButton;

// The operator's window: the toolbar, the tag editor and the floating page bar. It turns the
// operator's commands into calls on the editor and hands a document to the signing window.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Minimum and maximum stroke width of the pen-width choice 0 (thin) to 2 (big).
    static QPair<int, int> penWidthRange(int index);

public slots:
    void openDocument();
    void saveDocument();
    void closeDocument();
    void toggleMarkMode();
    void clearSignatures();
    void loadTagTemplate();
    void saveTagTemplate();
    void applyPenSize(int index);
    void applyPenColor(int index);
    void startSigning();
    void cancelSigning();
    void openSigningPage(const QString &pdfPath, const PdfSignData &signData);
    void openFingerprintDialogFromPdf();
    void onSigningAccepted(const PdfSignData &signData);
    void onSigningPageDestroyed();
    void onFingerprintDialogDestroyed();
    void showDeviceStatusDialog();
    void showSettingsDialog();
    void switchToChinese();
    void switchToEnglish();
    void previousPage();
    void nextPage();
    void onDocumentStateChanged(bool hasDocument);
    void onPageInfoChanged(int current, int total);
    void onTagCountChanged(int total);
    void onDeviceStatusChanged(const QString &deviceName, int deviceStatus);
    void showInfo(const QString &message);
    void showError(const QString &message);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Windows of the signing flow, created where the flow asks for them; null while not available.
    virtual QWidget *createSigningWindow(const QString &pdfPath, const PdfSignData &signData,
                                         const QList<bool> &options);
    virtual void showSigningWindow(QWidget *window);
    virtual QWidget *createFingerprintDialog(int threshold);
    // The captures of the open signing window, as its OK would hand them back; false when it
    // holds none.
    virtual bool signingCaptures(QWidget *window, PdfSignData *data) const;

private:
    // Asks first when the document or the signing window holds captured images not saved
    // since: true when they may go.
    bool mayDropDocument(const char *questionKey);
    bool saveToChosenFile();
    // A path chosen in a file dialog, or empty.
    QString chooseFile(bool save, const char *captionKey, const char *filterKey);
    void takeBackDocument();

    void setupUi();
    void setupToolbar(QFrame *topFrame);
    void setupPenWidthFrame(QFrame *frame);
    void setupPenColorFrame(QFrame *frame);
    void setupMarkAndClear(QWidget *markWidget, QWidget *clearWidget);
    void setupLanguageFrame(QFrame *frame);
    void setupPlaceholderPage();
    void setupBottomFrame(QWidget *central);
    void setupConnections();
    void retranslateUi();

    void updateActionStates();
    void updateWindowTitle();
    void updateDeviceStatus(const QString &deviceName, int deviceStatus);
    void updateTagPositionLabel();
    void updatePenColorStyles();
    void updatePenWidthChecks();
    void saveLanguageSetting(LanguageManager::Language language);
    void previousTag();
    void nextTag();
    void goToPageFromSpin(int page);

    void splitPlaceholderCard();
    void placeBottomOverlay();
    void refreshBottomOverlay();
    void createSignPage();
    static QString hubDeviceName();
    static int hubHasDevice();

    ToolbarActionButton *createToolbarButton(const QString &name);

    QSharedPointer<ConfigManager> config;
    QSharedPointer<IDFPController> fpController;
    PdfSignCoreWidget *coreWidget = nullptr;
    QWidget *signPage = nullptr;
    QPointer<QWidget> signingPage;
    QPointer<QWidget> fingerprintDialog;
    QPointer<SettingsDialog> settingsDialog;
    PdfSignData pendingSignData;
    bool resultAccepted = false;
    bool savePromptPending = false;
    // The signing window is gone and the editor has not taken the document back yet.
    bool takeBackPending = false;
    int penWidthIndex = 1;
    QList<QColor> penColors;
    int penColorIndex = 0;
    int currentTagIndex = -1;

    QFrame *topFrame = nullptr;
    ToolbarActionButton *openBtn = nullptr;
    ToolbarActionButton *saveBtn = nullptr;
    ToolbarActionButton *closeBtn = nullptr;
    QLabel *penWidthLabel = nullptr;
    QLabel *penWidthPreview = nullptr;
    QList<QToolButton *> penWidthButtons;
    QButtonGroup *penWidthGroup = nullptr;
    QLabel *penColorLabel = nullptr;
    QLabel *penColorSwatch = nullptr;
    QList<QToolButton *> penColorButtons;
    QButtonGroup *penColorGroup = nullptr;
    ToolbarActionButton *markBtn = nullptr;
    QLabel *tagPositionLabel = nullptr;
    QToolButton *prevTagBtn = nullptr;
    QToolButton *nextTagBtn = nullptr;
    QPushButton *clearTagsBtn = nullptr;
    ToolbarActionButton *clearBtn = nullptr;
    QLabel *languageLabel = nullptr;
    QLabel *currentLanguageLabel = nullptr;
    QPushButton *zhBtn = nullptr;
    QPushButton *enBtn = nullptr;
    ToolbarActionButton *deviceBtn = nullptr;
    ToolbarActionButton *settingsBtn = nullptr;

    QStackedWidget *centralStack = nullptr;
    QWidget *placeholderPage = nullptr;
    QFrame *placeholderCard = nullptr;
    QPushButton *placeholderCloseBtn = nullptr;
    QWidget *placeholderLeftPanel = nullptr;
    QWidget *placeholderRightPanel = nullptr;
    QLabel *placeholderImage = nullptr;
    QPushButton *openPdfEmptyBtn = nullptr;

    QFrame *bottomFrame = nullptr;
    QPushButton *cancelSignBtn = nullptr;
    QPushButton *prevPageBtn = nullptr;
    QSpinBox *bottomPageSpin = nullptr;
    QLabel *bottomPageSeparatorLabel = nullptr;
    QLabel *bottomTotalPageLabel = nullptr;
    QPushButton *nextPageBtn = nullptr;
    QPushButton *startSignBtn = nullptr;
};
