#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/window_api.h"

namespace pivora::bench {

// The handles a replay made, each by the handle the taped call got in its
// place: the platform hands out new ones every time.
class ReplayHandles {
public:
    void made(OsHandle taped, OsHandle replayed) { made_.emplace_back(taped, replayed); }
    // A handle made earlier in the replay; any other was open before the tick
    // (the controller's, its event) and is passed on as it was.
    OsHandle operator()(OsHandle taped) const {
        for (const auto& entry : made_)
            if (entry.first == taped) return entry.second;
        return taped;
    }
    void clear() { made_.clear(); }

private:
    std::vector<std::pair<OsHandle, OsHandle>> made_;
};

// What a replayed call is made on.
struct ReplaySeams {
    Platform platform;
    WindowApi& windows;
    ReplayHandles handles;
};

// A record argument as the taped call passed it. Each replay passes a fresh
// copy, as the caller fills its record afresh for every call; the copy stays
// put until the next replay, as a record lent to a pending read must.
template <typename Record>
class TapedRecord {
public:
    explicit TapedRecord(const Record* taped) {
        if (taped != nullptr) taped_ = *taped;
    }
    Record* fresh() {
        if (!taped_) return nullptr;
        work_ = *taped_;
        return &work_;
    }

private:
    std::optional<Record> taped_;
    Record work_{};
};

// A buffer argument, its bytes as the taped call passed them, replayed like a record.
class TapedBuffer {
public:
    TapedBuffer(const std::uint8_t* taped, std::uint32_t size) : present_(taped != nullptr) {
        if (present_) taped_.assign(taped, taped + size);
        work_.resize(taped_.size());
    }
    std::uint8_t* fresh() {
        if (!present_) return nullptr;
        work_ = taped_;  // same size: the buffer stays where it is
        return work_.data();
    }

private:
    bool present_;
    std::vector<std::uint8_t> taped_;
    std::vector<std::uint8_t> work_;
};

// One tick's seam calls, each with the arguments it was made with, to be
// made again without the tick's logic: what the tick cannot avoid.
class CallTape {
public:
    using Call = std::function<void(ReplaySeams&)>;

    // Before the first replay only: a replayed read keeps its record lent to
    // the platform, which must not move.
    void add(Call call) { calls_.push_back(std::move(call)); }

    void replay(ReplaySeams& seams) {
        seams.handles.clear();
        for (Call& call : calls_) call(seams);
    }

private:
    std::vector<Call> calls_;
};

}  // namespace pivora::bench
