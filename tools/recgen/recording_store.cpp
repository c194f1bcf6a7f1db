#include "tools/recgen/recording_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace recgen {
namespace {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// FNV-1a: file names need only be distinct, the key itself is checked on load.
std::string KeyName(const std::string& key) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : key)
        hash = (hash ^ c) * 1099511628211ull;
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

} // namespace

std::string StoreKey(const Options& o) {
    std::ostringstream key;
    key << "frames=" << o.frames << " rate=" << o.rate << " key=" << o.keyInterval;
    for (const RateRecordSpec& r : o.records)
        key << " record=" << r.inUse << '/' << int(r.rateByte);
    key << " audio=" << o.audio << " seed=" << o.seed << " ext=" << o.videoExtensionBytes
        << " lead=" << o.varyTagLead << " garbage=" << o.garbageEvery << '/' << o.garbageBytes
        << " truncate=" << o.truncateLast << " bogus=" << o.bogusLengthAt
        << " bytes=" << o.targetBytes;
    // Only when set, so the keys of default pictures stay as they were.
    if (o.width != 720 || o.height != 576 || o.sarNum > 0)
        key << " picture=" << o.width << 'x' << o.height << '/' << o.sarNum << ':' << o.sarDen;
    if (o.resizeAt > 0)
        key << " resize=" << o.resizeAt << ':' << o.resizeWidth << 'x' << o.resizeHeight;
    return key.str();
}

void SaveToStore(const std::string& path, const Options& options, const Manifest& manifest) {
    const char* folder = std::getenv(kRecordingStoreVariable);
    if (folder == nullptr || *folder == '\0')
        return;
    const std::string key = StoreKey(options);
    const std::filesystem::path base = FsPath(folder) / KeyName(key);
    std::filesystem::create_directories(FsPath(folder));
    std::ofstream out(base.string() + ".manifest", std::ios::trunc);
    out << key << '\n'
        << manifest.fileBytes << ' ' << manifest.videoFrames << ' ' << manifest.keyFrames << ' '
        << manifest.audioBlocks << ' ' << manifest.garbageRuns << '\n';
    for (const ChunkRecord& c : manifest.chunks)
        out << c.kind << ' ' << c.offset << ' ' << c.chunkBytes << ' ' << c.payloadOffset << ' '
            << c.payloadBytes << ' ' << c.damaged << '\n';
    if (!out.flush() || !CopyFile(FsPath(path), base.string() + ".264"))
        throw std::runtime_error(base.string() + ": cannot store the recording");
}

bool LoadFromStore(const std::string& path, const Options& options, Manifest* manifest,
                   std::string* error) {
    const char* folder = std::getenv(kRecordingStoreVariable);
    if (folder == nullptr || *folder == '\0') {
        *error = path + ": this build cannot encode; set " + kRecordingStoreVariable +
                 " to a folder of recordings saved by a native test run";
        return false;
    }
    const std::string key = StoreKey(options);
    const std::filesystem::path base = FsPath(folder) / KeyName(key);
    std::ifstream in(base.string() + ".manifest");
    std::string storedKey;
    if (!std::getline(in, storedKey) || storedKey != key) {
        *error = path + ": no stored recording in " + folder + " for " + key;
        return false;
    }
    Manifest loaded;
    in >> loaded.fileBytes >> loaded.videoFrames >> loaded.keyFrames >> loaded.audioBlocks >>
        loaded.garbageRuns;
    ChunkRecord c;
    while (in >> c.kind >> c.offset >> c.chunkBytes >> c.payloadOffset >> c.payloadBytes >>
           c.damaged)
        loaded.chunks.push_back(c);
    if (!CopyFile(base.string() + ".264", FsPath(path))) {
        *error = path + ": cannot be written from the store";
        return false;
    }
    if (manifest != nullptr)
        *manifest = std::move(loaded);
    return true;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary | std::ios::ate);
    if (!in) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    const std::streamsize size = in.tellg();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        throw std::runtime_error(path + ": read failed");
    }
    return bytes;
}

} // namespace recgen
