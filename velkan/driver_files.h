#pragma once
#include <optional>
#include <string>
#include <vector>

#include "velkan/messages.h"
#include "velkan/user_config_block.h"
#include "velkan/vesctool.h"

namespace velkan {

// Loader images shipped encrypted; without a plain block they are edited
// through their decrypted twin.
bool IsEncryptedImageName(const std::string& path);
// The decrypted twin of an encrypted image: "<full path>_ori.bin".
std::string PlainTwinOf(const std::string& path);

// Writes the block into each image in order, replacing the first block found
// (in the image itself, or in the twin of an encrypted image, which is then
// encrypted again over the image). A failing image is reported and does not
// stop the rest. True when there was at least one image and all were written.
bool WriteBlockToImages(const std::vector<std::string>& images, const UserConfigBlock& block, const Vesctool& tool,
                        const MessageSink& report);

// The first block of an image (through the twin for an encrypted image; the
// twin is removed afterwards).
std::optional<UserConfigBlock> ReadBlockFromImage(const std::string& image, const Vesctool& tool,
                                                  const MessageSink& report);

// Configuration files hold exactly one block.
std::optional<UserConfigBlock> LoadConfigFile(const std::string& path, const MessageSink& report);
bool SaveConfigFile(const std::string& path, const UserConfigBlock& block, const MessageSink& report);

}  // namespace velkan
