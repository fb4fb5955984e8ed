#pragma once
// Routes FFmpeg's own messages into the library logger (errors at level 4, warnings at 3,
// information at 1) instead of letting them go straight to standard error. Idempotent.

namespace quillex {

void installFfmpegLogForwarding();

}  // namespace quillex
