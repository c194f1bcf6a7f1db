// The file layer in a browser's worker. The page's script hands the job its
// files before the call (web/worker.js): the recording is the File the user
// chose, read in slices, never whole; the result goes to a file of the
// origin-private file system through a synchronous access handle, which the
// script removes again unless the job completed it. Paths are only names
// here: the browser shows the user no folders.
#include "convert/platform/files.h"

#include <emscripten.h>

namespace {

// Up to `bytes` of the chosen File from `offset` into `buffer`: the count
// read, or -1 with the cause kept for FailureText.
EM_JS(double, SourceRead, (void* buffer, double bytes, double offset), {
    try {
        const file = Module.veltranoSource;
        const end = Math.min(file.size, offset + bytes);
        if (offset >= end)
            return 0;
        const data = new FileReaderSync().readAsArrayBuffer(file.slice(offset, end));
        HEAPU8.set(new Uint8Array(data), buffer);
        return data.byteLength;
    } catch (e) {
        Module.veltranoCause = e.message || String(e);
        return -1;
    }
});

EM_JS(double, SourceSize, (), { return Module.veltranoSource ? Module.veltranoSource.size : -1; });

// Positioned writes and reads on the output's access handle.
EM_JS(double, OutputWrite, (const void* data, double bytes, double offset), {
    try {
        return Module.veltranoOutput.write(HEAPU8.subarray(data, data + bytes), {at : offset});
    } catch (e) {
        Module.veltranoCause =
            e.name == "QuotaExceededError" ? "no space left in the browser's storage" : e.message;
        return -1;
    }
});

EM_JS(double, OutputRead, (void* buffer, double bytes, double offset), {
    try {
        return Module.veltranoOutput.read(HEAPU8.subarray(buffer, buffer + bytes), {at : offset});
    } catch (e) {
        Module.veltranoCause = e.message || String(e);
        return -1;
    }
});

// 0 when the output is ready to be written, truncated to nothing.
EM_JS(int, OutputOpen, (), {
    try {
        Module.veltranoOutput.truncate(0);
        return 0;
    } catch (e) {
        Module.veltranoCause = Module.veltranoOutput ? e.message : "no storage for the result";
        return -1;
    }
});

// Flushes the finished file; -1 when the browser could not.
EM_JS(int, OutputFlush, (), {
    try {
        Module.veltranoOutput.flush();
        return 0;
    } catch (e) {
        Module.veltranoCause = e.message || String(e);
        return -1;
    }
});

EM_JS(double, OutputSize, (), {
    try {
        return Module.veltranoOutput.getSize();
    } catch (e) {
        return 0;
    }
});

// What an abandoned result held goes at once; the script removes the file.
EM_JS(void, OutputDiscard, (), {
    try {
        Module.veltranoOutput.truncate(0);
    } catch (e) {
    }
});

EM_JS(void, CopyCause, (char* text, int size),
      { stringToUTF8(Module.veltranoCause || "unknown error", text, size); });

std::string Cause() {
    char text[256] = {};
    CopyCause(text, sizeof text);
    return text;
}

} // namespace

void SourceFile::Close() {
    m_handle = -1;
}

Failure SourceFile::Open(const std::string& path) {
    m_path = path;
    const double size = SourceSize();
    if (size < 0)
        return SourceFailure(path, "no such file");
    m_handle = 0;
    m_size = static_cast<std::int64_t>(size);
    // One recording per job: the identity only has to differ from the result's.
    m_identity = {0, 1};
    return {};
}

std::int64_t SourceFile::CurrentSize() const {
    return static_cast<std::int64_t>(SourceSize());
}

Expected<std::int64_t> SourceFile::ReadAt(void* buffer, std::int64_t bytes, std::int64_t offset) {
    const double got = SourceRead(buffer, static_cast<double>(bytes), static_cast<double>(offset));
    if (got < 0)
        return SourceFailure(m_path, Cause());
    return static_cast<std::int64_t>(got);
}

// The result is always a new file of the job's own.
Failure CheckDestination(const std::string&, const FileIdentity&) {
    return {};
}

Failure CheckDestinationKind(const std::string&) {
    return {};
}

TemporaryOutput::TemporaryOutput(std::string destination) : m_destination(std::move(destination)) {}

TemporaryOutput::~TemporaryOutput() {
    if (m_named && !m_committed)
        OutputDiscard();
}

Failure TemporaryOutput::Create() {
    if (OutputOpen() != 0)
        return DestinationFailure(m_destination, Cause());
    m_handle = 0;
    m_named = true; // a file of the storage, named by the script
    return {};
}

Failure TemporaryOutput::WriteAt(const void* data, std::int64_t bytes, std::int64_t offset) {
    const auto* from = static_cast<const char*>(data);
    for (std::int64_t done = 0; done < bytes;) {
        const double put = OutputWrite(from + done, static_cast<double>(bytes - done),
                                       static_cast<double>(offset + done));
        if (put <= 0)
            return DestinationFailure(m_destination, put < 0 ? Cause() : "nothing written");
        done += static_cast<std::int64_t>(put);
    }
    return {};
}

Expected<std::int64_t> TemporaryOutput::ReadAt(void* buffer, std::int64_t bytes,
                                               std::int64_t offset) {
    const double got = OutputRead(buffer, static_cast<double>(bytes), static_cast<double>(offset));
    if (got < 0)
        return DestinationFailure(m_destination, Cause());
    return static_cast<std::int64_t>(got);
}

// The file keeps its storage name: the page offers it for download only
// once the job said it is complete.
Failure TemporaryOutput::Commit(bool) {
    if (OutputFlush() != 0)
        return DestinationFailure(m_destination, Cause());
    m_size = static_cast<std::int64_t>(OutputSize());
    m_committed = true;
    return {};
}

std::int64_t TemporaryOutput::Size() const {
    return m_size;
}

bool PathIdentity(const std::string&, FileIdentity*) {
    return false;
}
