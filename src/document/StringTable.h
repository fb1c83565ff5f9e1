#pragma once

// The program's user-interface texts by resource id, kept in one place so they can be
// compared with the originals. Returns "" for an unknown id.
const char* LoadStr(unsigned id);
