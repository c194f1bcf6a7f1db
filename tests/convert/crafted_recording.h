// Hand-made recordings for tests that need exact bytes: a header with chosen
// rate records, then chunks and garbage appended in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CraftedRecording {
public:
    // A 512-byte header; no rate record in use.
    CraftedRecording();
    CraftedRecording& Rate(int record, std::uint8_t rateByte, bool inUse = true);
    // Chunks return *this; their payloads are recorded in order.
    CraftedRecording& Video(bool key, const std::vector<std::uint8_t>& payload,
                            std::uint16_t extension = 0);
    // A video chunk head declaring `declared` bytes whatever follows.
    CraftedRecording& VideoHead(bool key, std::uint32_t declared);
    // An audio chunk with L = 4 + payload size; `stored` is the payload as the
    // recording holds it (data nibbles exchanged).
    CraftedRecording& Audio(const std::vector<std::uint8_t>& stored);
    CraftedRecording& AudioWithLength(std::uint16_t length, std::size_t bytesFollowing);
    CraftedRecording& Raw(const std::vector<std::uint8_t>& bytes);
    CraftedRecording& Garbage(std::size_t count, std::uint8_t fill = 0xEE);

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    std::vector<std::uint8_t>& Bytes() { return m_bytes; }
    void WriteTo(const std::string& path) const;

private:
    std::vector<std::uint8_t> m_bytes;
};

// An H.264-looking payload: a start code, then `size` - 4 seeded bytes.
std::vector<std::uint8_t> VideoPayload(std::size_t size, std::uint8_t seed);
// A full 164-byte IMA block as stored: 4 header bytes then 160 data bytes.
std::vector<std::uint8_t> AudioBlock(std::uint8_t seed);
// The block as a player must receive it: data nibbles exchanged back.
std::vector<std::uint8_t> RestoredBlock(const std::vector<std::uint8_t>& stored);

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
