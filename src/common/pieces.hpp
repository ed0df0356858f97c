#pragma once
// Long texts made in pieces on the machine's cores and used in order.
//
//   in_order<std::string>(pieces, make, use);
//
// make(p, piece) fills piece p (a Piece, reused: clear it first) on a worker
// thread; use(p, piece) then takes the pieces one by one, in order, on the
// calling thread (which writes them to a file, say). What a piece holds must
// depend on p alone, so the result never depends on timing. make must only
// read shared data; an exception it throws is rethrown by in_order at that
// piece, after the pieces before it were used.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// The worker threads in_order uses (at least 1; the machine's cores, at most 4).
inline unsigned piece_workers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, 4u);
}

template <class Piece, class Make, class Use>
void in_order(std::size_t pieces, Make&& make, Use&& use) {
    if (pieces == 0) return;
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(piece_workers(), pieces));
    if (workers <= 1 || pieces == 1) {
        Piece piece;
        for (std::size_t p = 0; p < pieces; ++p) {
            make(p, piece);
            use(p, piece);
        }
        return;
    }

    // Slot p % slots holds piece p between its making and its use.
    const std::size_t slots = 2 * static_cast<std::size_t>(workers);
    struct Slot {
        Piece piece;
        std::size_t holds = static_cast<std::size_t>(-1);  // the piece made into it
        std::exception_ptr error;
    };
    std::vector<Slot> slot(slots);
    std::mutex m;
    std::condition_variable changed;
    std::size_t used = 0;  // pieces used so far
    std::atomic<std::size_t> next{0};
    bool stop = false;

    auto work = [&] {
        for (;;) {
            const std::size_t p = next.fetch_add(1);
            if (p >= pieces) return;
            Slot& s = slot[p % slots];
            {
                // The slot is free once the piece `slots` before p is used.
                std::unique_lock<std::mutex> lock(m);
                changed.wait(lock, [&] { return stop || used + slots > p; });
                if (stop) return;
            }
            std::exception_ptr error;
            try {
                make(p, s.piece);
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(m);
                s.error = error;
                s.holds = p;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (unsigned w = 0; w < workers; ++w) threads.emplace_back(work);
    auto finish = [&] {
        {
            std::lock_guard<std::mutex> lock(m);
            stop = true;
        }
        changed.notify_all();
        for (auto& t : threads) t.join();
    };

    try {
        for (std::size_t p = 0; p < pieces; ++p) {
            Slot& s = slot[p % slots];
            {
                std::unique_lock<std::mutex> lock(m);
                changed.wait(lock, [&] { return s.holds == p; });
            }
            if (s.error) std::rethrow_exception(s.error);
            use(p, s.piece);
            {
                std::lock_guard<std::mutex> lock(m);
                used = p + 1;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

// A text of `count` rows made `per_piece` rows at a time: make(first, last,
// text) appends rows first..last (0-based, inclusive) on the cores, and the
// pieces go to out.write(text) in order.
template <class Out, class Make>
void rows_in_order(Out& out, std::size_t count, std::size_t per_piece, Make&& make) {
    if (per_piece == 0) per_piece = 1;
    const std::size_t pieces = (count + per_piece - 1) / per_piece;
    in_order<std::string>(
        pieces,
        [&](std::size_t p, std::string& text) {
            text.clear();
            const std::size_t first = p * per_piece;
            make(first, std::min(count, first + per_piece) - 1, text);
        },
        [&](std::size_t, std::string& text) { out.write(text); });
}

// Rows per piece for rows of about `row_bytes` characters: pieces of about
// a megabyte.
inline std::size_t rows_per_piece(std::size_t row_bytes) {
    return std::max<std::size_t>(1, (std::size_t{1} << 20) / std::max<std::size_t>(1, row_bytes));
}
