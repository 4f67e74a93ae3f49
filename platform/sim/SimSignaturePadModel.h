#pragma once

#include "sim/SimDeviceDesc.h"

#include <memory>
#include <vector>

namespace platform {

// The signature pad as the signature-pad library knows it: a pen collection streaming 10-byte
// pen and key reports, and a command collection answering command records with a status word,
// either through feature reports (usage 0xFF00:0x0C) or through output/input reports with
// id 5 (usage 0xFF00:0x01). How it answers can be changed while it is plugged in.
class SimSignaturePadModel {
public:
    enum class Channel { Feature, Report };

    static constexpr uint16_t VendorId = 0x2F7A;
    static constexpr uint16_t ProductId = 0x5A01;
    static constexpr uint8_t PenReportId = 0x02;
    static constexpr int PenCollection = 0;
    static constexpr int CommandCollection = 1;

    explicit SimSignaturePadModel(Channel channel = Channel::Feature);

    // The device; its handlers share this model's answers and command log.
    SimDeviceDesc desc() const;

    // Every later command is answered with this status word (0x9000 at first).
    void answerStatus(uint16_t status);
    // Every later command is answered with these bytes as the whole answer (status word included).
    void answerBytes(const SimBytes &answer);
    // The feature channel answers "busy" for this long after each command.
    void answerBusyFor(int milliseconds);

    // Each command record received (CLA INS P1 P2, Lc, Le, data), in order.
    std::vector<SimBytes> commands() const;

    // A pen sample: type 0xA0, 0xA1 or 0xA3, x 0..10206, y 0..7422, pressure 0..1023.
    static SimBytes penReport(uint8_t type, int x, int y, int pressure);
    // A key: 1 OK, 2 cancel, 3 clear, 0xE1-0xE4 ratings.
    static SimBytes keyReport(int code);

private:
    struct State;
    std::shared_ptr<State> m_state;
    Channel m_channel;
};

} // namespace platform
