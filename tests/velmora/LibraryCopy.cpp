#include "LibraryCopy.h"

#include <QDir>
#include <QFile>
#include <dlfcn.h>

QString LibraryCopy::builtLibrary()
{
    return QStringLiteral(VELMORA_LIBRARY_PATH);
}

LibraryCopy::LibraryCopy(const QString& folder, const QString& fileName)
{
    const QString path = QDir(folder).filePath(fileName);
    if (!QFile::copy(builtLibrary(), path)) {
        m_error = "cannot copy the library to " + path;
        return;
    }
    m_handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        m_error = QString::fromLocal8Bit(dlerror());
        return;
    }
    const auto resolve = [this](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(m_handle, name));
        if (!function)
            m_error += QString("missing %1; ").arg(name);
    };
    resolve(ReturnGetInfo, "ReturnGetInfo");
    resolve(SetKeyPressCallback, "SetKeyPressCallback");
    resolve(startSignature, "startSignature");
    resolve(endSignature, "endSignature");
    resolve(clearSignature, "clearSignature");
    resolve(getSignatureRealtimePic, "getSignatureRealtimePic");
    resolve(setPenPressFactor, "setPenPressFactor");
    resolve(setPenColor, "setPenColor");
    resolve(getPenStyle, "getPenStyle");
    if (!m_error.isEmpty())
        m_handle = nullptr;
}
