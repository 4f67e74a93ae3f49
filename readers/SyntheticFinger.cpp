#include "SyntheticFinger.h"

#include <algorithm>
#include <cmath>
#include <random>

std::vector<std::uint8_t> SyntheticFinger::frame(int width, int height, int finger, unsigned frame)
{
    std::vector<std::uint8_t> pixels(std::size_t(std::max(width, 0)) * std::size_t(std::max(height, 0)), 255);
    if (width <= 0 || height <= 0)
        return pixels;

    // Ridge flow parameters drawn from the finger number, so a finger looks the same every time.
    std::mt19937 shape(0x5eed0000u + unsigned(finger));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double period = 7.5 + 2.0 * unit(shape);
    const double twist = 1.0 + std::floor(2.0 * unit(shape)); // whole turns keep the ridges continuous
    const double coreX = width * (0.38 + 0.24 * unit(shape));
    const double coreY = height * (0.35 + 0.25 * unit(shape));
    const double squeeze = 0.7 + 0.3 * unit(shape);
    const double waveAmp = 2.0 + 3.0 * unit(shape);
    const double waveFx = (0.015 + 0.03 * unit(shape)) * (unit(shape) < 0.5 ? -1 : 1);
    const double waveFy = 0.015 + 0.03 * unit(shape);
    const double wavePhase = 6.283185307179586 * unit(shape);

    std::mt19937 noise(0x0f1a9e00u + unsigned(finger) * 7919u + frame);
    std::uniform_int_distribution<int> grain(-10, 10);
    const double shiftX = double(int(frame % 3) - 1);
    const double shiftY = double(int((frame / 3) % 3) - 1);

    const double halfW = width * 0.42;
    const double halfH = height * 0.45;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double px = x - shiftX;
            const double py = y - shiftY;
            const double ex = (px - width * 0.5) / halfW;
            const double ey = (py - height * 0.5) / halfH;
            const double oval = ex * ex + ey * ey;
            if (oval >= 1.0)
                continue;
            const double dx = px - coreX;
            const double dy = (py - coreY) * squeeze;
            const double phase = 6.283185307179586 * std::sqrt(dx * dx + dy * dy) / period
                                 + twist * std::atan2(dy, dx)
                                 + waveAmp * std::sin(waveFx * px + waveFy * py + wavePhase);
            const double ink = 0.5 + 0.5 * std::cos(phase);
            const double pressure = oval < 0.8 ? 1.0 : (1.0 - oval) / 0.2; // lighter at the rim
            const int value = int(std::lround(255.0 - pressure * (30.0 + 200.0 * ink))) + grain(noise);
            pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = std::uint8_t(std::clamp(value, 0, 255));
        }
    }
    return pixels;
}
