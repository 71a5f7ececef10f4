#pragma once
#include <array>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>

namespace kx {

// One remote end as M_Server lists it: the message server (FEP 1) or a
// front-end processor. The two flags are written on the main thread and read by
// the poll threads.
struct FepRecord {
    static constexpr std::size_t kTagNameLength = 12;
    static constexpr std::size_t kIPAddressLength = 50;
    static constexpr std::size_t kPortLength = 10;

    std::atomic<bool> Connected{false};
    std::atomic<bool> Defined{false};
    std::string TagName;
    std::string FEPType;
    int UnitNo = 0;
    int TotalReader = 0;
    int TotalInput = 0;
    int TotalOutput = 0;
    std::string IPAddress;
    std::string Port;

    void Reset();
};

// What the connection and the poll task of one FEP share: the reply-pending flag
// and the receive buffer, the last text received (at most 1024 bytes, replaced by
// every receipt). The buffer's lock lets a poll thread read a whole copy while
// the main thread replaces it.
class FepReplyState {
public:
    static constexpr std::size_t kBufferLength = 1024;

    bool ReplyPending() const { return pending_.load(); }
    void SetReplyPending(bool pending) { pending_.store(pending); }

    // Takes the first 1024 bytes of a receipt; true when they hold a CR.
    bool Receive(const std::string& receipt);
    void ClearBuffer();
    std::string Received() const;

private:
    std::atomic<bool> pending_{false};
    mutable std::mutex mutex_;
    std::string buffer_;
};

// FEPs by unit number 1 to 16; only 1 to 8 have a connection.
class FepTable {
public:
    static constexpr int kFepCount = 16;
    static constexpr int kConnectionCount = 8;

    static bool ValidUnit(int n) { return n >= 1 && n <= kFepCount; }

    FepRecord& operator[](int n) { return records_.at(Index(n)); }
    const FepRecord& operator[](int n) const { return records_.at(Index(n)); }
    FepReplyState& Reply(int n) { return replies_.at(Index(n)); }
    const FepReplyState& Reply(int n) const { return replies_.at(Index(n)); }

private:
    static std::size_t Index(int n) {
        if (!ValidUnit(n)) throw std::out_of_range("no FEP " + std::to_string(n));
        return static_cast<std::size_t>(n - 1);
    }
    std::array<FepRecord, kFepCount> records_;
    std::array<FepReplyState, kFepCount> replies_;
};

}  // namespace kx
