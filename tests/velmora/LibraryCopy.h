#pragma once

#include <Velmora.h>

#include <QString>

// A private copy of libVelmora.so, loaded from a folder of the test's own, so each case gets
// the library's load-time start-up with its own settings file and log.
class LibraryCopy
{
public:
    // Copies the library into folder as fileName and loads it. The copy stays loaded until the
    // process ends (unloading would take the library's never-destroyed state with it).
    LibraryCopy(const QString& folder, const QString& fileName = "libVelmora.so");

    bool loaded() const { return m_handle != nullptr; }
    QString error() const { return m_error; }

    decltype(&::ReturnGetInfo) ReturnGetInfo = nullptr;
    decltype(&::SetKeyPressCallback) SetKeyPressCallback = nullptr;
    decltype(&::startSignature) startSignature = nullptr;
    decltype(&::endSignature) endSignature = nullptr;
    decltype(&::clearSignature) clearSignature = nullptr;
    decltype(&::getSignatureRealtimePic) getSignatureRealtimePic = nullptr;
    decltype(&::setPenPressFactor) setPenPressFactor = nullptr;
    decltype(&::setPenColor) setPenColor = nullptr;
    decltype(&::getPenStyle) getPenStyle = nullptr;

    static QString builtLibrary();

private:
    void* m_handle = nullptr;
    QString m_error;
};
