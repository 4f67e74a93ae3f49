#include "LivescanLibraries.h"

#include <QCoreApplication>
#include <QtDebug>

namespace {

// Beside the program first, so the readers shipped with it win over any others on the system.
bool loadBesideProgram(QLibrary &library, const QString &name)
{
    library.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/lib") + name
                        + QStringLiteral(".so"));
    if (library.load())
        return true;
    library.setFileName(name);
    return library.load();
}

template<typename Function>
void bind(QLibrary &library, Function &function, const char *name)
{
    function = reinterpret_cast<Function>(library.resolve(name));
}

} // namespace

void LivescanLibraries::load()
{
    if (!m_capture.isLoaded()) {
        if (loadBesideProgram(m_capture, QStringLiteral("ID_FprCap"))) {
            bind(m_capture, m_init, "LIVESCAN_Init");
            bind(m_capture, m_close, "LIVESCAN_Close");
            bind(m_capture, m_getMaxImageSize, "LIVESCAN_GetMaxImageSize");
            bind(m_capture, m_getRawData, "LIVESCAN_GetFPRawData");
            bind(m_capture, m_beginCapture, "LIVESCAN_BeginCapture");
            bind(m_capture, m_endCapture, "LIVESCAN_EndCapture");
        }
        if (!m_init) {
            unloadCapture();
            qWarning() << "Load ID_FprCap.dll failed";
            return;
        }
    }
    if (!m_scorer.isLoaded()) {
        if (loadBesideProgram(m_scorer, QStringLiteral("ID_Fpr"))) {
            bind(m_scorer, m_fpBegin, "FP_Begin");
            bind(m_scorer, m_getQualityScore, "FP_GetQualityScore");
            bind(m_scorer, m_fpEnd, "FP_End");
        }
        if (!m_fpBegin) {
            unloadScorer();
            qWarning() << "Load ID_Fpr.dll failed";
            return;
        }
    }
    qDebug() << "load ID_FprCap.dll and ID_Fpr.dll success";
}

void LivescanLibraries::unload()
{
    unloadCapture();
    unloadScorer();
}

void LivescanLibraries::unloadCapture()
{
    m_init = nullptr;
    m_close = nullptr;
    m_getMaxImageSize = nullptr;
    m_getRawData = nullptr;
    m_beginCapture = nullptr;
    m_endCapture = nullptr;
    if (m_capture.isLoaded())
        m_capture.unload();
}

void LivescanLibraries::unloadScorer()
{
    m_fpBegin = nullptr;
    m_getQualityScore = nullptr;
    m_fpEnd = nullptr;
    if (m_scorer.isLoaded())
        m_scorer.unload();
}

int LivescanLibraries::init()
{
    return m_init ? m_init() : 0;
}

void LivescanLibraries::close()
{
    if (m_close)
        m_close();
}

bool LivescanLibraries::frameSize(int *width, int *height)
{
    return m_getMaxImageSize && m_getMaxImageSize(0, width, height) == LIVESCAN_OK;
}

void LivescanLibraries::beginCapture(int channel)
{
    if (m_beginCapture)
        m_beginCapture(channel);
}

int LivescanLibraries::getRawData(int channel, unsigned char *frame)
{
    return m_getRawData ? m_getRawData(channel, frame) : 0;
}

void LivescanLibraries::endCapture(int channel)
{
    if (m_endCapture)
        m_endCapture(channel);
}

int LivescanLibraries::fpBegin()
{
    return m_fpBegin ? m_fpBegin() : 0;
}

void LivescanLibraries::qualityScore(const unsigned char *frame, unsigned char *score)
{
    if (m_getQualityScore)
        m_getQualityScore(frame, score);
}

void LivescanLibraries::fpEnd()
{
    if (m_fpEnd)
        m_fpEnd();
}
