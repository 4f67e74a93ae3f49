#include "PdfSignCoreWidget.h"

#include "ConfigManager.h"
#include "DeviceController.h"
#include "LanguageManager.h"
#include "PageStrip.h"
#include "PdfHandler.h"
#include "SaveProgress.h"
#include "TagGeometry.h"
#include "TagMenu.h"
#include "TagPainter.h"
#include "TagTemplate.h"
#include "TagUnits.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QVector>

#include <algorithm>

PdfSignCoreWidget::PdfSignCoreWidget(QSharedPointer<ConfigManager> configManager, QWidget *parent)
    : QWidget(parent)
    , config(std::move(configManager))
    , handler(PdfHandler::instance())
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    strip = new PageStrip(
        this, [this](QPainter &painter, int pageIndex) { drawTags(painter, pageIndex); }, this);
    outer->addWidget(strip);

    connect(strip->verticalScrollBar(), &QScrollBar::valueChanged, this, &PdfSignCoreWidget::onScrollBarValueChanged);
    connect(&LanguageManager::instance(), &LanguageManager::languageChanged, this, &PdfSignCoreWidget::onLanguageChanged);
}

PdfSignCoreWidget::~PdfSignCoreWidget() = default;

// ---------------------------------------------------------------------------------------------
// Pages on screen

void PdfSignCoreWidget::resetView()
{
    clearDrag();
    strip->clear();
}

void PdfSignCoreWidget::rebuildPages()
{
    clearDrag();
    strip->rebuild(m_pageCount, m_currentPage - 1);
}

void PdfSignCoreWidget::drawTags(QPainter &painter, int pageIndex) const
{
    for (int i = 0; i < signData.tags.size(); ++i) {
        const PdfSignTag &tag = signData.tags.at(i);
        // Captured images are already in the page image; only open tags get a frame.
        if (tag.page == pageIndex + 1 && tag.signImage.isEmpty() && tag.fpImage.isEmpty())
            TagPainter::drawTag(painter, tagDisplayRect(i), tag.type, tag.title);
    }
}

void PdfSignCoreWidget::updateCurrentPage()
{
    const int index = strip->pageInView();
    if (index < 0)
        return;
    if (index + 1 != m_currentPage) {
        m_currentPage = index + 1;
        emit pageInfoChanged(m_currentPage, m_pageCount);
    }
}

void PdfSignCoreWidget::scrollToPage(int index)
{
    if (index < 0 || index >= strip->count())
        return;
    const int top = strip->pageTop(index);
    suppressPageUpdate = true;
    strip->verticalScrollBar()->setValue(std::max(0, top));
    suppressPageUpdate = false;
    m_currentPage = index + 1;
    emit pageInfoChanged(index + 1, m_pageCount);
    strip->renderVisiblePages(false, m_currentPage - 1);
}

void PdfSignCoreWidget::onScrollBarValueChanged(int)
{
    if (!m_hasDocument)
        return;
    strip->renderVisiblePages(false, m_currentPage - 1);
    if (!suppressPageUpdate)
        updateCurrentPage();
}

void PdfSignCoreWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_hasDocument || strip->count() == 0)
        return;
    QScrollBar *bar = strip->verticalScrollBar();
    const int anchor = std::max(0, std::min(strip->count(), m_currentPage) - 1);
    const int offset = bar->value() - strip->label(anchor)->geometry().top();
    strip->layoutPages();
    strip->renderVisiblePages(true, m_currentPage - 1);
    suppressPageUpdate = true;
    bar->setValue(std::max(0, strip->label(anchor)->geometry().top() + offset));
    suppressPageUpdate = false;
    updateCurrentPage();
}

QRect PdfSignCoreWidget::tagDisplayRect(int index) const
{
    if (index < 0 || index >= signData.tags.size())
        return QRect();
    const PdfSignTag &tag = signData.tags.at(index);
    if (tag.page < 1 || tag.page > strip->count())
        return QRect();
    const double s = strip->pageScale(tag.page - 1);
    return QRect(TagUnits::toDisplay(tag.x, s), TagUnits::toDisplay(tag.y, s), TagUnits::toDisplay(tag.w, s),
                 TagUnits::toDisplay(tag.h, s));
}

int PdfSignCoreWidget::tagIndexAt(int pageIndex, const QPoint &point) const
{
    for (int i = signData.tags.size() - 1; i >= 0; --i) {
        if (signData.tags.at(i).page == pageIndex + 1 && tagDisplayRect(i).contains(point))
            return i;
    }
    return -1;
}

int PdfSignCoreWidget::hitTestTagEdge(int index, const QPoint &point) const
{
    return TagGeometry::hitTestEdges(tagDisplayRect(index), point);
}

void PdfSignCoreWidget::gotoPage(int page)
{
    if (!m_hasDocument)
        return;
    if (page < 1 || page > m_pageCount) {
        emit errorMessage(translated("page_invalid"));
        return;
    }
    scrollToPage(page - 1);
}

void PdfSignCoreWidget::nextPage()
{
    gotoPage(m_currentPage + 1);
}

void PdfSignCoreWidget::previousPage()
{
    gotoPage(m_currentPage - 1);
}

void PdfSignCoreWidget::goToTag(int index)
{
    if (index < 0 || index >= signData.tags.size())
        return;
    scrollToPage(std::max(0, std::min(m_pageCount, signData.tags.at(index).page) - 1));
}

void PdfSignCoreWidget::setEditEnabled(bool on)
{
    editEnabled = on;
    endDrag();
    if (!on) {
        for (int i = 0; i < strip->count(); ++i)
            strip->label(i)->unsetCursor();
    }
}

void PdfSignCoreWidget::setPenColor(const QColor &colour)
{
    DeviceController::instance()->setPenColor(colour.red(), colour.green(), colour.blue());
}

void PdfSignCoreWidget::setPenWidth(int minimum, int maximum)
{
    DeviceController::instance()->setPenSize(minimum, maximum);
}

// ---------------------------------------------------------------------------------------------
// Tags

bool PdfSignCoreWidget::addTagAtCenter()
{
    if (!m_hasDocument)
        return false;
    if (strip->count() == 0)
        rebuildPages();
    if (strip->count() == 0)
        return false;

    QWidget *viewport = strip->viewport();
    QWidget *container = strip->widget();
    const QPoint centre = container->mapFrom(viewport, QPoint(viewport->width() / 2, viewport->height() / 2));
    QVector<QRect> geometries;
    geometries.reserve(strip->count());
    for (int i = 0; i < strip->count(); ++i)
        geometries.append(strip->label(i)->geometry());
    const int target = TagGeometry::nearestRect(geometries, centre, std::clamp(m_currentPage - 1, 0, strip->count() - 1));

    QLabel *label = strip->label(target);
    if (label->width() <= 0 || label->height() <= 0)
        return false;
    const QRect rect = TagGeometry::centredTag(label->size(), label->mapFrom(container, centre),
                                               config->value(QStringLiteral("sign/tagWidth")).toInt(),
                                               config->value(QStringLiteral("sign/tagHeight")).toInt());
    int type = config->value(QStringLiteral("sign/defaultType")).toInt();
    if (type != PdfSignTag::SignOnly && type != PdfSignTag::FpOnly && type != PdfSignTag::SignAndFp)
        type = PdfSignTag::SignOnly;
    return addTag(target, rect, type);
}

bool PdfSignCoreWidget::addTag(int pageIndex, const QRect &rect, int type)
{
    if (pageIndex < 0 || pageIndex >= strip->count() || strip->pageScale(pageIndex) <= 0)
        return false;
    const double s = strip->pageScale(pageIndex);
    PdfSignTag tag;
    tag.page = pageIndex + 1;
    tag.x = TagUnits::fromDisplay(rect.x(), s);
    tag.y = TagUnits::fromDisplay(rect.y(), s);
    tag.w = TagUnits::fromDisplay(rect.width(), s);
    tag.h = TagUnits::fromDisplay(rect.height(), s);
    tag.setType(type);
    signData.tags.append(tag);
    signData.sortTags();
    refreshTags(false);
    emit tagCountChanged(signData.tags.size());
    return true;
}

void PdfSignCoreWidget::handOver()
{
    signData.retitleTags();
    handler->setSignData(signData, true);
}

void PdfSignCoreWidget::refreshTags(bool keepCache)
{
    handOver();
    if (!m_hasDocument)
        return;
    if (!keepCache)
        strip->clearCache();
    if (strip->count() == 0) {
        rebuildPages();
        return;
    }
    strip->layoutPages();
    strip->renderVisiblePages(true, m_currentPage - 1);
    updateCurrentPage();
}

void PdfSignCoreWidget::onLanguageChanged()
{
    refreshTags(true);
}

// ---------------------------------------------------------------------------------------------
// Mouse editing

bool PdfSignCoreWidget::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (m_hasDocument && label && editEnabled) {
        const int pageIndex = strip->pageOf(label);
        if (pageIndex >= 0)
            return handleLabelEvent(label, pageIndex, event);
    }
    return QWidget::eventFilter(watched, event);
}

bool PdfSignCoreWidget::handleLabelEvent(QLabel *label, int pageIndex, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            const int index = tagIndexAt(pageIndex, mouse->pos());
            const int edges = index < 0 ? -1 : hitTestTagEdge(index, mouse->pos());
            if (edges >= 0) {
                dragLabel = label;
                dragPage = pageIndex;
                dragTag = index;
                dragEdges = edges;
                dragging = true;
                strip->setDraggedPage(pageIndex);
                dragStartRect = tagDisplayRect(index);
                pressPosition = mouse->pos();
                label->setCursor(TagGeometry::cursorForEdges(edges));
            }
            return true;
        }
        if (mouse->button() == Qt::RightButton) {
            // The menu runs its own event loop: a drag must not stay half done behind it.
            if (dragging)
                finishDrag();
            return showTagMenu(pageIndex, mouse->pos(), mouse->globalPos());
        }
        return QWidget::eventFilter(label, event);
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (dragging && label == dragLabel && dragTag >= 0) {
            dragTo(mouse->pos());
            return true;
        }
        const int index = tagIndexAt(pageIndex, mouse->pos());
        label->setCursor(index < 0 ? Qt::ArrowCursor : TagGeometry::cursorForEdges(hitTestTagEdge(index, mouse->pos())));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && dragging && label == dragLabel) {
            finishDrag();
            const int index = tagIndexAt(pageIndex, mouse->pos());
            label->setCursor(index < 0 ? Qt::ArrowCursor : TagGeometry::cursorForEdges(hitTestTagEdge(index, mouse->pos())));
            return true;
        }
        return QWidget::eventFilter(label, event);
    }
    case QEvent::Leave:
        label->setCursor(Qt::ArrowCursor);
        return true;
    default:
        return QWidget::eventFilter(label, event);
    }
}

void PdfSignCoreWidget::dragTo(const QPoint &position)
{
    const QSize bounds = dragLabel->size();
    QRect r = dragEdges == 0 ? TagGeometry::moved(dragStartRect, position - pressPosition, bounds)
                             : TagGeometry::resized(dragStartRect, dragEdges, position, bounds);
    r = r.normalized();
    if (dragTag >= signData.tags.size())
        return;
    PdfSignTag &tag = signData.tags[dragTag];
    if (tag.page < 1 || tag.page > strip->count() || strip->pageScale(tag.page - 1) <= 0)
        return;
    const double s = strip->pageScale(tag.page - 1);
    tag.x = TagUnits::fromDisplay(r.x(), s);
    tag.y = TagUnits::fromDisplay(r.y(), s);
    tag.w = TagUnits::fromDisplay(r.width(), s);
    tag.h = TagUnits::fromDisplay(r.height(), s);
    strip->renderPageLabel(dragPage);
}

void PdfSignCoreWidget::finishDrag()
{
    const int page = dragPage; // endDrag redraws it
    const bool holdsImage = dragTag >= 0 && dragTag < signData.tags.size()
        && (!signData.tags.at(dragTag).signImage.isEmpty() || !signData.tags.at(dragTag).fpImage.isEmpty());
    handOver();
    // A captured image is part of the cached page image: that page must be drawn afresh.
    if (holdsImage)
        strip->forgetPage(page);
    endDrag();
}

void PdfSignCoreWidget::endDrag()
{
    const int oldPage = dragPage;
    clearDrag();
    if (m_hasDocument && oldPage >= 0 && oldPage < strip->count())
        strip->renderPageLabel(oldPage);
}

void PdfSignCoreWidget::clearDrag()
{
    dragging = false;
    dragLabel = nullptr;
    dragPage = -1;
    dragStartRect = QRect();
    dragTag = -1;
    dragEdges = 0;
    pressPosition = QPoint();
    strip->setDraggedPage(-1);
}

bool PdfSignCoreWidget::showTagMenu(int pageIndex, const QPoint &position, const QPoint &globalPosition)
{
    const int index = tagIndexAt(pageIndex, position);
    if (index < 0)
        return true;
    const PdfSignTag before = signData.tags.at(index);
    const QPointer<PdfSignCoreWidget> alive(this);
    const TagMenu::Choice choice = TagMenu::exec(this, globalPosition);
    if (!alive || choice == TagMenu::None)
        return true;

    // The list may have changed while the menu was open; act only on the same tag.
    auto sameTag = [&before](const PdfSignTag &t) {
        return t.page == before.page && t.x == before.x && t.y == before.y && t.w == before.w && t.h == before.h
            && t.type == before.type && t.signImage == before.signImage && t.fpImage == before.fpImage;
    };
    int current = index;
    if (current >= signData.tags.size() || !sameTag(signData.tags.at(current))) {
        current = -1;
        for (int i = signData.tags.size() - 1; i >= 0 && current < 0; --i) {
            if (sameTag(signData.tags.at(i)))
                current = i;
        }
    }
    if (current < 0)
        return true;

    if (choice == TagMenu::Delete) {
        signData.tags.removeAt(current);
        refreshTags(false);
        emit tagCountChanged(signData.tags.size());
        return true;
    }
    if (int(choice) != signData.tags.at(current).type) {
        signData.tags[current].setType(int(choice));
        refreshTags(false);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Documents

bool PdfSignCoreWidget::openPdf(const QString &path)
{
    if (path.isEmpty())
        return false;
    DeviceController::instance()->endSignature();
    handler->setReadOnly(false);
    OpenFailure::Reason why = OpenFailure::NotRead;
    if (!handler->loadDocument(path, &why)) {
        // The holder has closed the previous document but kept its copy: show it again, or show nothing.
        if (!m_hasDocument || m_pdfPath.isEmpty() || !reopen(m_currentPage - 1))
            enterNoDocument();
        reportOpenFailure(path, why);
        return false;
    }

    m_pdfPath = path;
    m_hasDocument = true;
    m_currentPage = 1;
    m_pageCount = handler->pageCount();
    signData.tags.clear();
    imagesUnsaved = false;
    editEnabled = false;
    // The old document's pages and images must not show under the new one's name.
    resetView();
    handOver();
    emit documentStateChanged(true);
    emit pageInfoChanged(1, m_pageCount);
    emit tagCountChanged(0);

    const quint64 generation = ++openGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation != openGeneration || !m_hasDocument)
            return;
        rebuildPages();
        scrollToPage(0);
        emit pageInfoChanged(m_currentPage, m_pageCount);
    });
    return true;
}

bool PdfSignCoreWidget::reopen(int keepIndex, OpenFailure::Reason *why)
{
    handler->setReadOnly(false);
    // The copy taken when the operator opened it, never the file on disk again.
    if (!handler->reopenDocument(why))
        return false;
    m_pageCount = handler->pageCount();
    handOver();
    rebuildPages();
    if (m_pageCount > 0)
        scrollToPage(std::min(keepIndex, m_pageCount - 1));
    else
        emit pageInfoChanged(m_currentPage, m_pageCount);
    return true;
}

void PdfSignCoreWidget::applySignData(const PdfSignData &data)
{
    endDrag();
    signData = data;
    signData.sortTags();
    imagesUnsaved = true;
    emit tagCountChanged(signData.tags.size());
    reloadDocument();
}

bool PdfSignCoreWidget::hasUnsavedImages() const
{
    // Images cleared or tags removed since leave nothing to lose.
    return imagesUnsaved && std::any_of(signData.tags.cbegin(), signData.tags.cend(), [](const PdfSignTag &tag) {
               return !tag.signImage.isEmpty() || !tag.fpImage.isEmpty();
           });
}

void PdfSignCoreWidget::reloadDocument()
{
    if (!m_hasDocument || m_pdfPath.isEmpty())
        return;
    const int keep = std::clamp(m_currentPage - 1, 0, std::max(0, m_pageCount - 1));
    OpenFailure::Reason why = OpenFailure::NotRead;
    if (!reopen(keep, &why)) {
        // The captures stay; another document in the file is neither shown nor saved as this one.
        if (handler->sourceChanged()) {
            emit errorMessage(translated("file_changed"));
            return;
        }
        const QString path = m_pdfPath;
        enterNoDocument();
        reportOpenFailure(path, why);
    }
}

void PdfSignCoreWidget::reportOpenFailure(const QString &path, OpenFailure::Reason why)
{
    const QString reason = translated(OpenFailure::key(why));
    qWarning().noquote() << "Failed to open PDF:" << path << "-" << reason;
    emit errorMessage(translated("open_failed") + QLatin1Char('\n')
                      + translated("open_failed_detail").arg(QDir::toNativeSeparators(path), reason));
}

void PdfSignCoreWidget::closeDocument()
{
    DeviceController::instance()->endSignature();
    handler->closeDocument();
    enterNoDocument();
}

void PdfSignCoreWidget::enterNoDocument()
{
    ++openGeneration;
    signData.tags.clear();
    imagesUnsaved = false;
    m_pdfPath.clear();
    resetView();
    m_hasDocument = false;
    m_pageCount = 0;
    m_currentPage = 1;
    emit pageInfoChanged(1, 0);
    emit tagCountChanged(0);
    emit documentStateChanged(false);
}

void PdfSignCoreWidget::clearTags()
{
    if (signData.tags.isEmpty())
        return;
    DeviceController::instance()->endSignature();
    endDrag(); // the dragged index would point into the new list
    signData.tags.clear();
    refreshTags(false);
    emit tagCountChanged(0);
}

void PdfSignCoreWidget::resetTagStatus()
{
    signData.resetTags();
    refreshTags(false);
}

bool PdfSignCoreWidget::savePdf(const QString &targetPath)
{
    if (!m_hasDocument || targetPath.isEmpty())
        return false;
    handler->setReadOnly(false);
    handOver();
    // The window repaints and shows the progress of a long save; the operator's input waits.
    SaveProgress progress(translated("save_progress"), window());
    const QMetaObject::Connection shown = connect(handler.data(), &PdfHandler::saveProgress, &progress,
                                                  [&progress](int done, int total) {
                                                      progress.setMaximum(total);
                                                      progress.setValue(done);
                                                  });
    progress.setValue(0);
    SaveFailure why;
    const bool ok = handler->saveTo(targetPath, &why);
    disconnect(shown);
    progress.reset(); // gone before the message boxes below, which wait for the operator
    if (!ok) {
        // The intermediate file or its folder when one of them failed, else the target.
        const QString failed = why.file.isEmpty() ? targetPath : why.file;
        const QString reason = why.text();
        qWarning().noquote() << "Failed to save PDF to:" << targetPath << "-" << failed << reason;
        emit errorMessage(translated("save_failed") + QLatin1Char('\n')
                          + translated("save_failed_detail").arg(QDir::toNativeSeparators(failed), reason));
        return false;
    }
    imagesUnsaved = false;
    emit infoMessage(translated("save_success"));
    return true;
}

void PdfSignCoreWidget::startSigning()
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return;
    }
    if (signData.tags.isEmpty()) {
        emit errorMessage(translated("warn_no_tag"));
        return;
    }
    if (!signData.hasPendingTag()) {
        emit infoMessage(translated("all_done"));
        return;
    }
    // The signing window walks the tags in list order, and moves do not sort.
    signData.sortTags();
    refreshTags(true);
    emit signingRequested(m_pdfPath, signData);
}

bool PdfSignCoreWidget::saveTemplateJson(const QString &path)
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return false;
    }
    QSaveFile file(path);
    const QByteArray json = TagTemplate::write(signData.tags);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) != json.size() || !file.commit()) {
        emit errorMessage(translated("template_failed"));
        return false;
    }
    emit infoMessage(translated("template_saved"));
    return true;
}

bool PdfSignCoreWidget::loadTemplateJson(const QString &path)
{
    if (!m_hasDocument) {
        emit errorMessage(translated("warn_no_pdf"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit errorMessage(translated("template_failed"));
        return false;
    }
    QList<PdfSignTag> tags;
    if (!TagTemplate::read(file.readAll(), m_pageCount, &tags)) {
        emit errorMessage(translated("json_invalid"));
        return false;
    }
    endDrag();
    signData.tags = tags;
    signData.sortTags();
    refreshTags(false);
    emit tagCountChanged(signData.tags.size());
    emit infoMessage(translated("template_loaded"));
    return true;
}
