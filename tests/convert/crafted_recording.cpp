#include "tests/convert/crafted_recording.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& out, const char* text) {
    for (; *text; ++text)
        out.push_back(static_cast<std::uint8_t>(*text));
}

} // namespace

CraftedRecording::CraftedRecording() : m_bytes(512, 0) {}

CraftedRecording& CraftedRecording::Rate(int record, std::uint8_t rateByte, bool inUse) {
    m_bytes[100 + 40 * record] = inUse ? 1 : 0;
    m_bytes[101 + 40 * record] = rateByte;
    return *this;
}

CraftedRecording& CraftedRecording::VideoHead(bool key, std::uint32_t declared) {
    PutText(m_bytes, key ? "00dcH264" : "01dcH264");
    PutLe32(m_bytes, declared);
    PutLe16(m_bytes, 0);
    m_bytes.insert(m_bytes.end(), 10, 0);
    return *this;
}

CraftedRecording& CraftedRecording::Video(bool key, const std::vector<std::uint8_t>& payload,
                                          std::uint16_t extension) {
    PutText(m_bytes, key ? "00dcH264" : "01dcH264");
    PutLe32(m_bytes, static_cast<std::uint32_t>(payload.size()));
    PutLe16(m_bytes, extension);
    m_bytes.insert(m_bytes.end(), 10, 0);
    m_bytes.insert(m_bytes.end(), extension, 0x5A);
    m_bytes.insert(m_bytes.end(), payload.begin(), payload.end());
    return *this;
}

CraftedRecording& CraftedRecording::Audio(const std::vector<std::uint8_t>& stored) {
    AudioWithLength(static_cast<std::uint16_t>(stored.size() + 4), 0);
    return Raw(stored);
}

CraftedRecording& CraftedRecording::AudioWithLength(std::uint16_t length,
                                                    std::size_t bytesFollowing) {
    PutText(m_bytes, "03wb");
    PutLe16(m_bytes, 0);
    PutLe16(m_bytes, length);
    PutLe32(m_bytes, 0);
    m_bytes.insert(m_bytes.end(), bytesFollowing, 0x11);
    return *this;
}

CraftedRecording& CraftedRecording::Raw(const std::vector<std::uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

CraftedRecording& CraftedRecording::Garbage(std::size_t count, std::uint8_t fill) {
    m_bytes.insert(m_bytes.end(), count, fill);
    return *this;
}

void CraftedRecording::WriteTo(const std::string& path) const {
    WriteFile(path, m_bytes);
}

std::vector<std::uint8_t> VideoPayload(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> payload{0, 0, 0, 1};
    std::uint32_t state = seed * 2654435761u + 1;
    while (payload.size() < size) {
        state = state * 1103515245u + 12345u;
        // Keep 0x30..0x40 out so no tag can appear inside a payload.
        std::uint8_t b = static_cast<std::uint8_t>(state >> 16);
        if (b >= 0x30 && b <= 0x40)
            b ^= 0x80;
        payload.push_back(b);
    }
    payload.resize(size);
    return payload;
}

std::vector<std::uint8_t> AudioBlock(std::uint8_t seed) {
    std::vector<std::uint8_t> block(164);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(0x80 + ((i * 7 + seed) % 0x70));
    return block;
}

std::vector<std::uint8_t> RestoredBlock(const std::vector<std::uint8_t>& stored) {
    std::vector<std::uint8_t> restored = stored;
    for (std::size_t i = 4; i < restored.size() && i < 164; ++i)
        restored[i] = static_cast<std::uint8_t>(restored[i] >> 4 | restored[i] << 4);
    return restored;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
