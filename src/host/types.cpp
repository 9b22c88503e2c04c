#include <chrono>
#include <thread>

#include "vyr/host/Types.h"

namespace vyr::host {

void Sleep(std::uint32_t Milliseconds) {
    if (Milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace vyr::host
