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
// read, or -1 with the cause kept for CopyCause. Each read of the File costs
// a round trip in the browser whatever its size, so the bytes come in
// windows of 8 MiB, and the job's smaller reads are served from the last.
EM_JS(double, SourceRead, (void* buffer, double bytes, double offset), {
    try {
        const file = Module.veltranoSource;
        const wanted = Math.min(bytes, file.size - offset);
        if (wanted <= 0)
            return 0;
        let window = Module.veltranoWindow;
        if (!window || offset < window.at || offset + wanted > window.at + window.data.length) {
            const end = Math.min(file.size, offset + Math.max(bytes, 8 << 20));
            const data = new FileReaderSync().readAsArrayBuffer(file.slice(offset, end));
            window = Module.veltranoWindow = {at : offset, data : new Uint8Array(data)};
        }
        const from = offset - window.at;
        const got = Math.min(wanted, window.data.length - from);
        HEAPU8.set(window.data.subarray(from, from + got), buffer);
        return got;
    } catch (e) {
        Module.veltranoCause = e.message || String(e);
        return -1;
    }
});

// Forgets what an earlier job read.
EM_JS(void, SourceForget, (), { Module.veltranoWindow = null; });

EM_JS(double, SourceSize, (), { return Module.veltranoSource ? Module.veltranoSource.size : -1; });

// Positioned writes and reads on the output's access handle. Each call to
// the handle costs a round trip in the browser, so consecutive writes are
// gathered into 8 MiB and written at once; everything else that touches the
// file writes the gathered bytes first (WritePending), so reads, sizes and
// the flush see every byte written.
EM_JS(int, OutputOpen, (), {
    try {
        Module.veltranoOutput.truncate(0);
        Module.veltranoPending = {at : 0, used : 0, data : new Uint8Array(8 << 20)};
        Module.veltranoWritePending = function() {
            const pending = Module.veltranoPending;
            for (let done = 0; done < pending.used;) {
                const put = Module.veltranoOutput.write(pending.data.subarray(done, pending.used),
                                                        {at : pending.at + done});
                if (put <= 0)
                    throw new Error("nothing written");
                done += put;
            }
            pending.used = 0;
        };
        return 0;
    } catch (e) {
        Module.veltranoCause = Module.veltranoOutput ? e.message : "no storage for the result";
        return -1;
    }
});

// The count taken, or -1 with the cause kept for CopyCause.
EM_JS(double, OutputWrite, (const void* data, double bytes, double offset), {
    try {
        const pending = Module.veltranoPending;
        if (pending.used > 0 &&
            (offset != pending.at + pending.used || pending.used + bytes > pending.data.length))
            Module.veltranoWritePending();
        const from = HEAPU8.subarray(data, data + bytes);
        if (bytes >= pending.data.length)
            return Module.veltranoOutput.write(from, {at : offset});
        if (pending.used == 0)
            pending.at = offset;
        pending.data.set(from, pending.used);
        pending.used += bytes;
        return bytes;
    } catch (e) {
        Module.veltranoCause =
            e.name == "QuotaExceededError" ? "no space left in the browser's storage" : e.message;
        return -1;
    }
});

EM_JS(double, OutputRead, (void* buffer, double bytes, double offset), {
    try {
        Module.veltranoWritePending();
        return Module.veltranoOutput.read(HEAPU8.subarray(buffer, buffer + bytes), {at : offset});
    } catch (e) {
        Module.veltranoCause = e.message || String(e);
        return -1;
    }
});

// Writes what is gathered and flushes the finished file; -1 when the
// browser could not.
EM_JS(int, OutputFlush, (), {
    try {
        Module.veltranoWritePending();
        Module.veltranoOutput.flush();
        return 0;
    } catch (e) {
        Module.veltranoCause =
            e.name == "QuotaExceededError" ? "no space left in the browser's storage" : e.message;
        return -1;
    }
});

// Only after OutputFlush: nothing is gathered then.
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
        Module.veltranoPending.used = 0;
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
    SourceForget();
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

bool SpareFilesAllowed() {
    return false;
}
