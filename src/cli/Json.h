#pragma once

#include "value/Decimal.h"
#include "value/ESeries.h"

#include <string>
#include <string_view>
#include <vector>

// The pieces of zedezedidor-decode's JSON Lines output.
namespace zz::cli {

// Input lines are echoed as read, so bytes that are not UTF-8 become U+FFFD:
// the line must stay valid JSON.
std::string jsonString(std::string_view s);

template <typename List, typename Fn>
std::string jsonList(const List &list, Fn &&item)
{
    std::string out = "[";
    for (const auto &x : list) {
        if (out.size() > 1)
            out += ',';
        out += item(x);
    }
    return out + ']';
}

std::string jsonSeries(const std::vector<value::Series> &series);
// The values of series `s` next to `ohm`.
std::string jsonNearest(const value::Decimal &ohm, value::Series s);

} // namespace zz::cli
