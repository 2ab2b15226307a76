// An engine preference of "Settings\Notation" ("Resolution", "Tuplets" ...)
// held in the test run's profile while an object lives, for tests that need
// another value than the product's default. Made before the notation view
// (so before a fixture that makes one: list it first among the bases), it is
// what the engine reads when the view starts. The key is deleted again on
// destruction, leaving the default for the next test.
//
//     class TupletTest : private NotationPreference, public NotationFixture {
//     protected:
//         TupletTest() : NotationPreference("Tuplets", 1) {}
//     };
//
// User-interface thread.
#pragma once

#include "model/preferences.h"
#include "platform/core/profile.h"

#include <gtest/gtest.h>

#include <string>

namespace notation_test {

class NotationPreference {
public:
    NotationPreference(const char* key, int value) : m_key(key) {
        EXPECT_NE(SaveIntPreference(kNotationSection, m_key, value), 0) << m_key;
    }
    ~NotationPreference() { CProfile::Application().DeleteKey(kNotationSection, m_key); }
    NotationPreference(const NotationPreference&) = delete;
    NotationPreference& operator=(const NotationPreference&) = delete;

private:
    static constexpr const char* kNotationSection = "Settings\\Notation";
    std::string m_key;
};

}  // namespace notation_test
