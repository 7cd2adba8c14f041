// The video chips' initial register tables, written at every card reset.
#ifndef OVX500U_CHIPTABLES_H
#define OVX500U_CHIPTABLES_H

#include <cstdint>

namespace ovx {

// A run of consecutive registers; values == nullptr means every register gets fill.
struct RegisterRun {
    uint8_t first;
    uint8_t count;
    const uint8_t* values;
    uint8_t fill;
};

extern const RegisterRun kDecoderInitial[];
extern const unsigned kDecoderInitialRuns;
extern const RegisterRun kEncoderInitial[];
extern const unsigned kEncoderInitialRuns;

}  // namespace ovx

#endif
