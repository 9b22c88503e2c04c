#include <chrono>
#include <thread>

#include "vyr/host/Types.h"

namespace vyr::host {

char UpCase(char Ch) { return (Ch >= 'a' && Ch <= 'z') ? static_cast<char>(Ch - 'a' + 'A') : Ch; }

void Sleep(std::uint32_t Milliseconds) {
    if (Milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace vyr::host
