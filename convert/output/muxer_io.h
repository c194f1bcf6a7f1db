// libavformat's reads and writes through the job's own file rather than a
// file opened by name: the file may have no name, and stays the file
// layer's to delete should the process die. Shared by the AVI and the MP4
// output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "convert/failure.h"

struct AVFormatContext;
struct AVIOContext;
class TemporaryOutput;

// The library's text for an error code ("No space left on device", ...).
std::string AvErrorText(int error);

class MuxerIo {
public:
    struct IoDeleter {
        void operator()(AVIOContext* io) const;
    };
    using Io = std::unique_ptr<AVIOContext, IoDeleter>;

    // Where libavformat's reads or writes stand in the file.
    struct Cursor {
        TemporaryOutput* file = nullptr;
        std::int64_t position = 0;
        std::int64_t end = 0;
        Failure failure;                                  // of the last failed read or write
        const std::function<bool()>* keepGoing = nullptr; // asked before each
    };

    // A writing context over `file`, new and empty, which must outlive it.
    explicit MuxerIo(TemporaryOutput& file);
    // Null when the library has no memory for it.
    AVIOContext* Writer() const { return m_writer.get(); }
    // A reading context over what has been written so far, with its own
    // cursor; null when out of memory.
    Io OpenReader(Cursor& cursor) const;
    // Lets `context` reopen the file for reading the way it would reopen a
    // file by its name (the MP4 muxer reads its data back to move the index
    // in front of it).
    void ServeReopens(AVFormatContext* context);

    // From now on each read and write asks `keepGoing` first; once it says
    // no, they fail (AVERROR_EXIT) and the failure is Cancelled.
    void HearStops(std::function<bool()> keepGoing);
    // The failure of the last failed read or write through any context, or
    // one made from a library error code.
    Failure FailureFor(int error) const;
    // The failure of the last failed read or write, if any: some passes of
    // the library end early on a failed read without an error of their own.
    Failure LastFailure() const;
    const std::string& Destination() const;

private:
    static Io OpenIo(Cursor& cursor, bool write);
    static bool Stopped(Cursor& cursor);
    static int WritePacket(void* opaque, std::uint8_t* data, int size);
    static int ReadPacket(void* opaque, std::uint8_t* data, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    static int Reopen(AVFormatContext* context, AVIOContext** io, const char* url, int flags,
                      struct AVDictionary** options);
    static int CloseReopened(AVFormatContext* context, AVIOContext* io);

    std::function<bool()> m_keepGoing;
    Cursor m_cursor;
    Io m_writer;
    // Cursors of reopened readers live as long as this object; libavformat
    // closes the contexts themselves.
    mutable Cursor m_reopened;
};
