#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace norvik {

inline constexpr std::size_t kRequestBufferSize = 1000;

// A request buffer of one protocol. It keeps its bytes between requests, since a later
// request re-sends what an earlier one left in the bytes it does not write itself. Several
// threads fill it (a receive thread at start-up, the dialog's commands).
class RequestBuffer {
public:
    using Bytes = std::array<std::uint8_t, kRequestBufferSize>;

    // Edits the buffer and returns its bytes as the edit left them, under one lock, so that a
    // request never goes out half written by another thread.
    template <typename Edit>
    Bytes Update(Edit&& edit) {
        std::lock_guard lock(mutex_);
        edit(std::span<std::uint8_t, kRequestBufferSize>(bytes_));
        return bytes_;
    }

private:
    std::mutex mutex_;
    Bytes bytes_{};
};

}  // namespace norvik
