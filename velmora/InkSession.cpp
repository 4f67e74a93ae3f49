#include "InkSession.h"

#include "PadLog.h"
#include "ResultCodes.h"

// Session bookkeeping of the live ink: flags, area, ink box and stroke state. The pixels, the
// export picture and the recorded point bytes are drawn and kept by the surface code.

InkSession& InkSession::instance()
{
    static auto* session = new InkSession;
    return *session;
}

int InkSession::setupDrawingSurface(VelmoraWindow window, int width, int height)
{
    clearFlags();
    if (!window)
        return -1;
    m_window = window;
    m_areaWidth = width;
    m_areaHeight = height;
    resetStroke();
    set(SurfaceActive);
    return 0;
}

bool InkSession::windowAlive() const
{
    return m_window != 0;
}

void InkSession::resetStroke()
{
    m_minX = m_maxX = m_minY = m_maxY = -1;
    m_strokeStarted = false;
    m_prevX = m_prevY = m_prevPressure = 0;
}

void InkSession::addPenPoint(int pressure, int x, int y)
{
    const auto extendBox = [this](int px, int py) {
        if (px < 0 || py < 0)
            return;
        if (m_minX == -1 || px < m_minX) m_minX = px;
        if (m_maxX == -1 || px > m_maxX) m_maxX = px;
        if (m_minY == -1 || py < m_minY) m_minY = py;
        if (m_maxY == -1 || py > m_maxY) m_maxY = py;
    };
    if (!m_strokeStarted) {
        set(HasInk);
        m_strokeStarted = true;
        m_prevPressure = pressure;
    } else if (pressure < 1) {
        m_prevPressure = 0;
    } else if (m_prevPressure < 1) {
        extendBox(x, y);
        m_prevPressure = pressure;
    } else {
        extendBox(x, y);
        m_prevPressure = m_prevPressure * 60 / 100 + pressure * 40 / 100;
    }
    m_prevX = x;
    m_prevY = y;
}

void InkSession::clearSurface()
{
    resetStroke();
    set(SurfaceActive);
}

void InkSession::releaseDrawingSurface()
{
}

void InkSession::resetDrawingState()
{
    clearFlags();
    m_window = 0;
    m_areaWidth = m_areaHeight = 0;
    resetStroke();
    releaseDrawingSurface();
}

void InkSession::renderExportImage()
{
    if (windowAlive() && has(HasInk))
        set(ImageRendered);
}

void InkSession::deleteExportImage()
{
}

void InkSession::recordPenSample(uint8_t type, int, int, int pressure, bool drawn)
{
    if (!m_recording && drawn && pressure > 0)
        m_recording = true;
    if (!m_recording)
        return;
    if (type == 0xA3) {
        recordOtherReport();
        return;
    }
    m_recordedBytes += 9;
    m_penUpMarked = false;
}

void InkSession::recordOtherReport()
{
    if (!m_recording || m_penUpMarked)
        return;
    m_recordedBytes += 9;
    m_penUpMarked = true;
}

void InkSession::emptyRecord()
{
    m_recordedBytes = 0;
    m_recording = false;
    m_penUpMarked = false;
}

int InkSession::realtimePicture(const char*, char* pchErrCode, char* pchError)
{
    padLog(Enter, "Into function: %s", "_getSignatureRealtimePic");
    ResultCodes::setResultCode(ResultCodes::NotSigned, pchErrCode, pchError);
    padLog(Leave, "Exit function: %s", "_getSignatureRealtimePic");
    return 1;
}

int InkSession::signaturePlain(unsigned char*, int* iCode, const char*, char* pchErrCode, char* pchError)
{
    padLog(Enter, "Into function: %s", "_getSignaturePlain");
    if (iCode)
        *iCode = 2;
    ResultCodes::setResultCode(ResultCodes::NotSigned, pchErrCode, pchError);
    padLog(Leave, "Exit function: %s", "_getSignaturePlain");
    return 1;
}
