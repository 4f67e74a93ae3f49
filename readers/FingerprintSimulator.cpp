#include "FingerprintSimulator.h"

#include "SyntheticFinger.h"

#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

FingerprintSimulator &FingerprintSimulator::instance()
{
    static FingerprintSimulator simulator;
    return simulator;
}

bool FingerprintSimulator::refreshLocked()
{
    const char *folder = std::getenv("INKWARDEN_DEVSIM");
    if (!folder || !*folder)
        return false;
    std::ifstream file(std::string(folder) + "/fingerprint.ini", std::ios::binary);
    std::ostringstream text;
    if (file)
        text << file.rdbuf();
    if (m_loaded && m_folder == folder && m_text == text.str())
        return true;
    m_folder = folder;
    m_text = text.str();
    m_ini = SimIni::parse(m_text);
    m_loaded = true;
    m_scriptPositions.clear();
    m_pictureCache.clear();
    m_pictureFailureReported = false;
    return true;
}

bool FingerprintSimulator::readerPresent()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return refreshLocked() && m_ini.flag("reader", "present", true);
}

int FingerprintSimulator::setting(const std::string &section, const std::string &key, int fallback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return refreshLocked() ? m_ini.integer(section, key, fallback) : fallback;
}

int FingerprintSimulator::takeScripted(const std::string &section, const std::string &key, int fallback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!refreshLocked())
        return fallback;
    const std::vector<int> script = m_ini.integers(section, key);
    std::size_t &position = m_scriptPositions[section + '/' + key];
    return position < script.size() ? script[position++] : fallback;
}

std::vector<std::uint8_t> FingerprintSimulator::fingerFrame(int width, int height)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    refreshLocked();
    const std::string picture = m_ini.text("reader", "image");
    if (!picture.empty())
        return pictureFrameLocked(picture.front() == '/' ? picture : m_folder + '/' + picture, width, height);
    return SyntheticFinger::frame(width, height, m_ini.integer("reader", "finger", 1), m_frameCount++);
}

std::vector<std::uint8_t> FingerprintSimulator::pictureFrameLocked(const std::string &path, int width, int height)
{
    const auto cached = m_pictureCache.find({width, height});
    if (cached != m_pictureCache.end())
        return cached->second;

    const QImage picture(QString::fromLocal8Bit(path.c_str()));
    if (picture.isNull()) {
        if (!m_pictureFailureReported)
            std::fprintf(stderr, "fingerprint simulator: cannot read the picture %s\n", path.c_str());
        m_pictureFailureReported = true;
        return {};
    }
    // Fitted into the frame, centred on the white of an empty glass.
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    std::vector<std::uint8_t> frame = emptyFrame(width, height);
    const int left = (width - grey.width()) / 2;
    const int top = (height - grey.height()) / 2;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        std::copy(row, row + grey.width(),
                  frame.begin() + std::ptrdiff_t(top + y) * width + left);
    }
    m_pictureCache[{width, height}] = frame;
    return frame;
}

std::vector<std::uint8_t> FingerprintSimulator::emptyFrame(int width, int height)
{
    return std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), 255);
}
