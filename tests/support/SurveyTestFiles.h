#pragma once

// Lines of Leica GSI-16 instrument files.

#include <string>

// One 24-character GSI-16 word: WI, three information characters, the unit code, the sign,
// 16 data characters (right-aligned, padded with pad) and the separating blank.
inline std::string GsiWord(const std::string& wi, char unit, char sign, const std::string& data,
                           char pad = '0', const std::string& info = "..") {
    std::string w = wi + info.substr(0, 2);
    w += '.';
    w += unit;
    w += sign;
    w += std::string(16 - data.size(), pad) + data;
    w += ' ';
    return w;
}

// A whole measurement block: label, Hz and V in the angle unit, SD in the distance unit.
inline std::string GsiLine(const std::string& label, const std::string& hz, const std::string& v,
                           const std::string& sd, char angleUnit = '2', char distanceUnit = '0') {
    return "*" + GsiWord("11", '0', '+', label, '0', "00") + GsiWord("21", angleUnit, '+', hz) +
           GsiWord("22", angleUnit, '+', v) + GsiWord("31", distanceUnit, '+', sd);
}
