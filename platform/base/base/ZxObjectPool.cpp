#include "base/ZxObjectPool.h"

#include <stdexcept>

#include "base/Logger.h"

static constexpr const char* kLogModule = "base/ZxObjectPool";

namespace quillex::pool_detail {

void refuseEmptyBoundedPool() {
    static constexpr const char* kMessage =
        "Failed to allocate memory for the bounded object pool: pool's size can not be 0.";
    ZX_LOG(4, "%s", kMessage);
    throw std::invalid_argument(kMessage);
}

}  // namespace quillex::pool_detail
