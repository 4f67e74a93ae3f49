#pragma once

#include "PadCommand.h"

#include <memory>
#include <vector>

namespace platform { class HidDevice; }

// The pad's command collection, opened afresh for every command and closed after it.
class CommandChannel
{
public:
    enum Kind { Unknown, FeatureKind, ReportKind };

    // 0 with the channel open, else VELMORA_PAD_NOT_FOUND or VELMORA_NO_HANDLE.
    static int open(std::unique_ptr<CommandChannel>& channel);
    // Opens the collection, sends one command and closes it again.
    static int send(const PadCommand& command);
    // The kind of the collection found last (process-wide).
    static Kind lastKind();

    ~CommandChannel();

    // 0 when the pad answers 0x9000 (payload after the status word copied out), the pad's
    // status word otherwise, -3 when the frame could not be sent or no sound answer came back.
    int transceive(const PadCommand& command, std::vector<uint8_t>* payload = nullptr);

    static constexpr int TransportFailed = -3;
    static constexpr int AnswerTimeoutMs = 1000;

private:
    CommandChannel(std::unique_ptr<platform::HidDevice> device, Kind kind);
    bool exchangeFeature(const PadCommand& command, std::vector<uint8_t>& answer);
    bool exchangeReport(const PadCommand& command, std::vector<uint8_t>& answer);

    std::unique_ptr<platform::HidDevice> m_device;
    Kind m_kind;
};
