// Encodes every value the four- and five-ring codes can show (each distinct
// value once, per ring count) and finds its E-series, then decodes the codes
// that came out; prints codes per second for both and their ratio.
// Build in Release.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "BestOf.h"
#include "decode/Decode.h"
#include "value/Code.h"
#include "value/ESeries.h"

namespace {

using namespace zz::value;
using zz::bench::bestSeconds;

std::uint64_t g_sink = 0;

struct Item {
    Decimal ohm;
    int rings;
};

std::vector<Item> showableValues()
{
    constexpr int kExponent[] = {0, 1, 2, 3, 4, 5, 6, -1, -2};
    std::vector<Item> items;
    for (int rings : {4, 5}) {
        std::vector<Decimal> values;
        const int top = rings == 4 ? 100 : 1000;
        for (int n = 1; n < top; ++n)
            for (int e : kExponent)
                values.push_back(Decimal::of(static_cast<std::uint64_t>(n), e));
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        for (const Decimal &d : values)
            items.push_back({d, rings});
    }
    return items;
}

} // namespace

int main()
{
    const std::vector<Item> items = showableValues();
    std::vector<RingCode> codes(items.size());

    const double encodeTime = bestSeconds([&] {
        for (std::size_t i = 0; i < items.size(); ++i) {
            const EncodeResult r = encode({items[i].ohm, items[i].rings, {}, {}});
            codes[i] = *r.code;
            g_sink += seriesOf(items[i].ohm).size() + static_cast<std::uint64_t>(r.code->positions[0]);
        }
    });
    const double decodeTime = bestSeconds([&] {
        for (const RingCode &c : codes) {
            const auto &p = c.positions;
            const auto r = c.window == Window::FourRing ? zz::decode::evaluateFourRing(p[0], p[1], p[2], ",")
                                                        : zz::decode::evaluateFiveRing(p[0], p[1], p[2], p[3], ",");
            g_sink += r.valueText.size() + r.code.size();
        }
    });

    const double n = static_cast<double>(items.size());
    std::printf("values encoded (4 and 5 rings, each with its series): %zu\n", items.size());
    std::printf("encode + series: %.2f ms, %.0f codes/s\n", encodeTime * 1000, n / encodeTime);
    std::printf("decode:          %.2f ms, %.0f codes/s\n", decodeTime * 1000, n / decodeTime);
    std::printf("ratio encode/decode: %.2f\n", encodeTime / decodeTime);
    std::printf("(checksum %llu)\n", static_cast<unsigned long long>(g_sink));
    return 0;
}
