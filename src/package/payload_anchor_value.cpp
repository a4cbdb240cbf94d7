// The stub's own anchor; its value stays 0 until the build stamps the file
// size into it.
#include "package/payload_anchor.h"

const volatile PayloadAnchor payloadAnchor = {PAYLOAD_ANCHOR_TAG, 0};
