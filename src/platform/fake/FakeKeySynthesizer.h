// Records the keystrokes it is asked to post.
#pragma once

#include <vector>

#include "platform/KeySynthesizer.h"

namespace quellpad {

class FakeKeySynthesizer final : public KeySynthesizer {
public:
    bool postPasteKeystroke(PasteKeystroke keystroke) override {
        posted.push_back(keystroke);
        return succeeds;
    }

    std::vector<PasteKeystroke> posted;
    bool succeeds = true;
};

} // namespace quellpad
