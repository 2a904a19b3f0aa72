#pragma once
// The processor time the calling thread has used, for telling work that waits on the storage
// from work that computes.

namespace platform {

// Seconds of processor time (user and system) the calling thread has used so far; 0 when the
// system cannot tell.
double ThreadCpuSeconds();

} // namespace platform
