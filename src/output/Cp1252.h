#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

// Windows-1252 text, the single-byte form of the data file (the clipboard
// gets Unicode text). Qt 6.4 has no codec for it, hence the table.
namespace zz::output {

// Characters without a Windows-1252 form become '?'.
QByteArray toCp1252(QStringView text);
QByteArray toCp1252(std::string_view utf8);

} // namespace zz::output
