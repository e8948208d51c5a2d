#include "platform/ring_posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <liburing.h>

namespace files {
namespace {

// Steps sent to the kernel at once, at most.
constexpr unsigned kDepth = 32;

// Set once a ring was refused, so no other thread asks again.
std::atomic<bool> refused{[] {
    const char* no = std::getenv("TLVN_NO_URING");
    return no != nullptr && *no != '\0';
}()};

class TThreadRing {
public:
    TThreadRing() {
        if (refused.load(std::memory_order_relaxed))
            return;
        // One thread submits and waits: the kernel may then finish the steps only when it
        // waits, which spares it a wake-up per step. Older kernels lack these flags.
        io_uring_params params{};
        params.flags = IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN;
        int result = io_uring_queue_init_params(kDepth, &Ring, &params);
        if (result == -EINVAL) {
            params = io_uring_params{};
            result = io_uring_queue_init_params(kDepth, &Ring, &params);
        }
        if (result < 0) {
            refused = true;
            return;
        }
        Ready = true;
        io_uring_probe* probe = io_uring_get_probe_ring(&Ring);
        const bool able = probe && io_uring_opcode_supported(probe, IORING_OP_OPENAT) &&
                          io_uring_opcode_supported(probe, IORING_OP_READ) &&
                          io_uring_opcode_supported(probe, IORING_OP_CLOSE);
        if (probe)
            io_uring_free_probe(probe);
        if (!able) {
            refused = true;
            Drop();
        }
    }
    ~TThreadRing() { Drop(); }
    TThreadRing(const TThreadRing&) = delete;
    TThreadRing& operator=(const TThreadRing&) = delete;

    io_uring* Get() { return Ready ? &Ring : nullptr; }
    void Drop() {
        if (Ready)
            io_uring_queue_exit(&Ring);
        Ready = false;
    }

private:
    io_uring Ring;
    bool Ready = false;
};

TThreadRing& ThisThreadsRing() {
    static thread_local TThreadRing ring;
    return ring;
}

void Prepare(io_uring_sqe* sqe, TRingOp op, int flags, TRingStep& step) {
    switch (op) {
    case TRingOp::OpenAt:
        io_uring_prep_openat(sqe, step.Fd, step.Name, flags, 0);
        break;
    case TRingOp::Read:
        io_uring_prep_read(sqe, step.Fd, step.Buffer, step.Length, 0);
        break;
    case TRingOp::Close:
        io_uring_prep_close(sqe, step.Fd);
        break;
    }
    io_uring_sqe_set_data(sqe, &step);
}

} // namespace

bool RunOnRing(TRingOp op, int flags, TRingStep* steps, size_t count) {
    TThreadRing& owner = ThisThreadsRing();
    bool allRan = owner.Get() != nullptr;
    for (size_t first = 0; first < count; first += kDepth) {
        io_uring* ring = owner.Get();
        const size_t n = std::min<size_t>(count - first, kDepth);
        if (!ring) {
            for (size_t i = first; i < first + n; ++i)
                steps[i].Result = -ECANCELED;
            allRan = false;
            continue;
        }
        for (size_t i = first; i < first + n; ++i)
            Prepare(io_uring_get_sqe(ring), op, flags, steps[i]);
        int submitted = io_uring_submit_and_wait(ring, static_cast<unsigned>(n));
        while (submitted == -EINTR && io_uring_sq_ready(ring) == n)
            submitted = io_uring_submit_and_wait(ring, static_cast<unsigned>(n));
        // Steps the kernel took are waited for in any case: their buffers and names are in
        // use until they end. Steps it did not take never run: the ring goes.
        const size_t taken = n - io_uring_sq_ready(ring);
        for (size_t i = first; i < first + n; ++i)
            steps[i].Result = -ECANCELED;
        size_t done = 0;
        while (done < taken) {
            io_uring_cqe* cqe = nullptr;
            const int waited = io_uring_wait_cqe(ring, &cqe);
            if (waited == -EINTR)
                continue;
            if (waited < 0)
                break;
            static_cast<TRingStep*>(io_uring_cqe_get_data(cqe))->Result = cqe->res;
            io_uring_cqe_seen(ring, cqe);
            ++done;
        }
        if (done < taken || taken < n || submitted < 0) {
            owner.Drop();
            allRan = false;
        }
    }
    return allRan;
}

} // namespace files
