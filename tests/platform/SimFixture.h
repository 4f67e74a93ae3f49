#pragma once

#include "sim/DevSim.h"

#include <QTemporaryDir>
#include <QtGlobal>

#include <memory>
#include <string>

// A device simulator for one test: start() in init() serves it from a fresh folder of its own and
// points INKWARDEN_DEVSIM there, so the code under test sees only the simulated devices;
// stop() in cleanup() unplugs everything. The folder stays until the next start.
class SimFixture {
public:
    bool start()
    {
        m_sim.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("INKWARDEN_DEVSIM", QFile::encodeName(m_dir->path()));
        m_sim = std::make_unique<platform::DevSim>(m_dir->path().toStdString());
        return m_sim->listening();
    }
    void stop() { m_sim.reset(); }

    platform::DevSim *operator->() const { return m_sim.get(); }
    platform::DevSim &operator*() const { return *m_sim; }
    std::string filePath(const char *name) const { return m_dir->filePath(QString::fromUtf8(name)).toStdString(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::DevSim> m_sim;
};
