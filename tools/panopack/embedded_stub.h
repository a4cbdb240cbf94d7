// The viewer `create` packs into when no --stub is given: on Windows the one
// panopack.exe carries as a resource, on Linux the one the build made, at a
// path fixed when the packer was built. Each program that runs `create`
// links one implementation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Fills bytes with the viewer and name with how messages call it. On
// failure returns false with a one-line reason.
bool LoadEmbeddedStub(std::vector<uint8_t>& bytes, std::string& name, std::string& error);
