// Setting values as a user types them into the environment or marlo.ini:
// every value parser over the same text.
#include <cstdint>
#include <string>

#include "CLTUTLEV.h"

namespace {
constexpr int32_t kDecimal = 10;
constexpr int32_t kTimeLimit = 65535;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const char *value = text.c_str();
    int64_t wide = 0;
    clt_env_conv_num(text.data(), text.size(), kDecimal, &wide);
    int32_t number = 0, second = 0;
    clt_env_port_part(value, &number);
    clt_env_num_part(value, &number);
    clt_env_num_range(value, &number, &second, kDecimal);
    int16_t short_value = 0;
    int32_t seconds = 0, microseconds = 0;
    clt_env_parse_time(value, kTimeLimit, &short_value, &seconds, &microseconds);
    int32_t numbers[CLT_ERRSKIP_MAX] = {};
    clt_env_num_list(value, numbers);
    return 0;
}
