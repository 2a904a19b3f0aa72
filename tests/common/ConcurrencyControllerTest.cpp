// The decisions of the pool's thread count, from synthetic windows (no clocks).

#include "common/ConcurrencyController.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Step {
    ConcurrencyWindow window;
    int threads; // what `Next` answers
};

// One second with `jobs` jobs finished, each taking `jobMs` milliseconds of which `cpuMs` on a
// processor, and giving up the processor `waitsPerJob` times.
ConcurrencyWindow Window(qsizetype jobs, double jobMs, double cpuMs, qint64 waitsPerJob = 3)
{
    return {jobs, 1.0, jobs * jobMs / 1e3, jobs * cpuMs / 1e3, jobs * waitsPerJob};
}

} // namespace

TEST(ConcurrencyController, GrowsWhileWaitingPaysAndGoesBackOtherwise)
{
    const ConcurrencyWindow share = Window(800, 10, 0.2);  // 8 threads, 10 ms a job, almost all waiting
    const ConcurrencyWindow local = Window(8000, 1, 0.9, 0); // the jobs compute
    struct Case {
        const char* name;
        int minThreads, maxThreads;
        std::vector<Step> steps;
    } cases[] = {
        {"a share: doubles while the rate rises, up to the cap", 8, 40,
         {{share, 16}, {Window(1600, 10, 0.2), 32}, {Window(3200, 10, 0.2), 40}, {Window(4000, 10, 0.2), 40}}},
        {"a local disk stays where it started", 8, 128, {{local, 8}, {local, 8}}},
        {"waiting, but the processors are busy: no growth", 8, 128, {{Window(800, 10, 2.0), 8}}},
        {"waiting for a processor, not the storage: no growth, and a grown pool shrinks", 8, 128,
         {{Window(800, 10, 0.2, 0), 8}, {share, 16}, {Window(1600, 10, 0.2, 0), 8}}},
        {"a system that does not count waits decides on time alone", 8, 128, {{Window(800, 10, 0.2, -1), 16}}},
        {"a growth that brings less than the gain goes back and holds", 8, 128,
         {{share, 16}, {Window(900, 20, 0.2), 8}, {share, 8}, {share, 8}, {share, 8}, {share, 8}, {share, 8}, {share, 8},
          {share, 8}, {share, 16}}},
        {"jobs that stop waiting shrink the pool back", 8, 128,
         {{share, 16}, {Window(1600, 10, 0.2), 32}, {local, 16}, {local, 8}, {local, 8}}},
        {"an empty window changes nothing", 8, 128, {{ConcurrencyWindow{}, 8}, {share, 16}, {ConcurrencyWindow{}, 16}}},
    };
    for (const Case& c : cases) {
        ConcurrencyController controller(c.minThreads, c.maxThreads, 2);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const int before = controller.Threads();
            EXPECT_EQ(controller.Next(c.steps[i].window), c.steps[i].threads) << c.name << ", window " << i << " at " << before;
            EXPECT_EQ(controller.Threads(), c.steps[i].threads) << c.name;
        }
    }
}
