#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kx {

class TSockets;

// The message boxes of the socket component go through the shell's dialog path.
class SocketDialogs {
public:
    virtual ~SocketDialogs() = default;
    // A modal box with OK and Cancel. endsProgram: the box of a failure that had
    // no error handler; the program is meant to end once it is dismissed (the
    // shell decides: headless, the text is logged and the agent keeps running).
    virtual void ShowSocketBox(const std::string& caption, const std::string& text, bool endsProgram) = 0;
};

// One TCP stream socket to one remote address and port, opened without blocking
// the caller. What happens on it (connected, data, peer closed, error) is raised
// as an event on the thread that runs the Qt event loop, which is the only thread
// that may touch the component.
//
// Error numbers are those of the classic socket error table (10000 plus the BSD
// number; 11001 to 11004 for name resolution); Linux errno values are mapped onto
// them by WinsockError.
class TSockets {
public:
    using SocketEvent = std::function<void(TSockets& sender, int socket)>;
    using ErrorEvent = std::function<void(TSockets& sender, int socket, int error, const std::string& msg)>;

    explicit TSockets(SocketDialogs& dialogs);
    ~TSockets();  // closes an open socket quietly
    TSockets(const TSockets&) = delete;
    TSockets& operator=(const TSockets&) = delete;

    int MaximumReceiveLength = 8192;
    std::string IPAddr;  // dotted IPv4 or a host name
    std::string Port;    // a TCP service name or a decimal number
    bool NonBlocking = true;
    int Timeout = 30;  // seconds, blocking mode only; 0 or less: no limit

    SocketEvent OnDataAvailable;
    SocketEvent OnDataNeeded;
    SocketEvent OnSessionClosed;
    SocketEvent OnSessionAvailable;
    SocketEvent OnSessionConnected;
    ErrorEvent OnErrorOccurred;

    // The open socket, or -1. Owners set it from an event's socket argument.
    int SocketHandle = -1;

    // Opens a socket to IPAddr:Port and starts connecting; the outcome arrives as
    // OnSessionConnected or OnErrorOccurred. An empty port or address, or a host
    // that does not resolve, only shows its box. A socket an earlier attempt left
    // open is closed first. Throws std::invalid_argument when Port is neither a
    // service nor a decimal number in 0..65535.
    void SConnect();
    // Closes the socket at once (lingering off: unsent data dropped, the peer
    // reset) and sets SocketHandle to -1.
    void Disconnect();

    // Reading Text: at most MaximumReceiveLength bytes that can be received now,
    // up to the first NUL; the empty text when SocketHandle is -1 or nothing waits.
    std::string Text();
    // Writing Text: all bytes in one send, not retried when partial.
    void SetText(std::string_view text);

    // "Error N in function STEP" CR LF + ErrorText(N), raised as OnErrorOccurred,
    // or shown in a box (caption "WINSOCK ERROR") when there is no handler.
    void ReportError(int socket, std::string_view step, int error);
    static std::string ErrorText(int error);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    SocketDialogs& dialogs_;
};

// A Linux errno -> the table's number (10000 + the BSD number for the same error).
int WinsockError(int posixErrno);

}  // namespace kx
