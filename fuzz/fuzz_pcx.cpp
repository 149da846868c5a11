// Feeds arbitrary bytes to the PCX reader: it must throw pix::Error or
// decode, never crash, hang or read out of bounds.
#include "fuzz_reader.h"
#include "readers/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return pixfuzz::runReader(pix::readPcx, data, size);
}
