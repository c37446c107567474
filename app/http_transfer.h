// The one loop by which every download reads a server's answer: its own count of the bytes
// against a cap whatever the server announces, a limit on silence, and a cancel that is heard
// while the server says nothing. Also a whole GET into a file for the transfers that need no
// more (the base data's configuration file and workbook).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/internet_session.h"

namespace http {

// Whether the system says it can reach the Internet: asked before a download or an update
// check starts, so the user hears "no connection" at once instead of after a timeout.
bool IsOnline();

// How long a server may stay silent in the middle of an answer before the transfer fails.
constexpr DWORD kSilenceLimitMs = 30000;
// How often a silent transfer looks at its cancel request.
constexpr DWORD kCancelPollMs = 250;
// How long a server may take to start its answer.
constexpr DWORD kAnswerLimitMs = 10000;

enum class BodyEnd {
    kComplete,    // the whole body is in the file
    kCut,         // the connection ended before the announced end, or a body of unknown end
    kTooLarge,    // announced or received more than the cap (nothing more was written)
    kCancelled,   // the cancel request was heard
    kStalled,     // silent for longer than the silence limit
    kReadFailed,  // a transfer error (the request's m_dwError)
    kWriteFailed  // the file could not be written (GetLastError)
};

struct BodyOptions {
    uint64_t limit = 0;         // the most the file may hold, what was there before included
    uint64_t have = 0;          // bytes already in the file (a resumed transfer)
    // The body's length when the caller knows it otherwise (a range); else Content-Length.
    uint64_t length = UINT64_MAX;
    bool takeUnframed = false;  // a body ended only by the connection's end counts as complete
    std::function<bool()> cancelled;
    // Bytes in the file so far and the total when known (0 when not), after every block.
    std::function<void(uint64_t received, uint64_t total)> progress;
    DWORD silenceMs = kSilenceLimitMs;
};

// Reads the body of a sent request into file, at its current position. An announced length
// over the cap ends it before a byte is read.
BodyEnd ReceiveBody(CHttpFile& request, HANDLE file, const BodyOptions& options);

// Reads what the server has sent, waiting at most silenceMs for it and hearing cancelled
// meanwhile. read is 0 at the body's end.
BodyEnd ReadSome(CHttpFile& request, void* buffer, DWORD size, DWORD& read,
                 const std::function<bool()>& cancelled, DWORD silenceMs);

// Sends the request and waits at most kAnswerLimitMs for the answer's headers.
bool SendRequest(CHttpFile& request);

// The request flags of every transfer: always from the server, never into the system's
// cache, no redirect followed by the system.
DWORD RequestFlags(bool secure);

enum class GetResult {
    kDone,
    kBadAddress,    // not an http:// or https:// address
    kNoConnection,  // no session, connection or request, or the request was not sent
    kHttpStatus,    // an answer other than 200, or a redirect elsewhere
    kBody,          // the body ended otherwise than complete (see body)
    kNoFile         // the file could not be created
};

struct GetOutcome {
    GetResult result = GetResult::kNoConnection;
    BodyEnd body = BodyEnd::kComplete;
    DWORD status = 0;  // the last HTTP status seen
};

// GET url into a new file at path (replacing one there). Redirects are followed, at most a
// few, only to http:// or https:// on the same host. On any failure the file is deleted.
GetOutcome GetToFile(const std::wstring& url, const std::wstring& path, const BodyOptions& options);

// Where a redirect from url to location leads: false when it leaves url's host or scheme
// family (http/https) or is no address.
bool RedirectTarget(const std::wstring& url, const std::wstring& location, std::wstring& target);

}  // namespace http
