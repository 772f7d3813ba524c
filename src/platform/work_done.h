// The work done on the calling thread, in steps that grow with the input, not with the
// machine's speed or load, so tests bound it instead of time. What counts as a step:
// * the engine: a character read by a search, one character stepped by a set of walks (one
//   step for the set, plus one per walk in it), an NFA state gathered or closed while an
//   automaton is built;
// * code page conversions: a byte handed to the converter;
// * byte sources: a byte delivered by a read;
// * the plain text search: a byte of the line looked at by one pass.
// It is only ever added to; read it before and after the work to count.
#pragma once

#include <cstdint>

namespace skarvo {

// Added to where the work happens, once per character or once per call: a plain add to a
// variable of this thread, cheap enough for the walks.
[[gnu::tls_model("initial-exec")]] inline constinit thread_local std::uint64_t workDone = 0;

}  // namespace skarvo
