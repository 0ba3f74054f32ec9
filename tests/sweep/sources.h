// The value sources of the sweeps: valid random values, special values, and
// the bytes of a fuzzer input.
#ifndef ORIN_TESTS_SWEEP_SOURCES_H
#define ORIN_TESTS_SWEEP_SOURCES_H

#include <bit>
#include <cstdint>
#include <limits>
#include <random>

#include "table.h"

namespace sweep {

// Uniform elements in [-1, 1), the typical value of every parameter.
class ValidSource : public ValueSource {
public:
    explicit ValidSource(uint64_t seed) : gen_(seed) {}
    double element() override { return std::uniform_real_distribution<double>(-1.0, 1.0)(gen_); }
    int32_t intElement(int32_t bound) override {
        return bound > 0 ? static_cast<int32_t>(gen_() % static_cast<uint64_t>(bound < 2 ? 1 : 2)) : 0;
    }
    double real(double typical) override { return typical; }
    int32_t integer(int32_t typical) override { return typical; }

protected:
    std::mt19937_64 gen_;
};

// One special value put where the case says: every array element, the first
// element only, or every double parameter; or one special integer in every
// int32 parameter, or in every element of every int32 array (the caller-held
// state words: seeds, counts, levels). Everything else is valid.
class SpecialSource : public ValidSource {
public:
    // (The int32 targets come last.)
    enum class Target { kElements, kFirstElement, kScalars, kIntegers, kIntElements };
    SpecialSource(uint64_t seed, Target target, double value, int32_t integer)
        : ValidSource(seed), target_(target), value_(value), integer_(integer) {}
    double element() override {
        const double valid = ValidSource::element();
        if (target_ == Target::kElements) return value_;
        if (target_ == Target::kFirstElement && !firstDone_) {
            firstDone_ = true;
            return value_;
        }
        return valid;
    }
    int32_t intElement(int32_t bound) override {
        const int32_t valid = ValidSource::intElement(bound);
        return target_ == Target::kIntElements ? integer_ : valid;
    }
    double real(double typical) override { return target_ == Target::kScalars ? value_ : typical; }
    int32_t integer(int32_t typical) override { return target_ == Target::kIntegers ? integer_ : typical; }

private:
    Target target_;
    double value_;
    int32_t integer_;
    bool firstDone_ = false;
};

// Every choice read from the fuzzer's bytes; zeros once they run out.
class ByteSource : public ValueSource {
public:
    ByteSource(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w = (w << 8) | byte();
        return w;
    }
    uint64_t wide() { return (static_cast<uint64_t>(word()) << 32) | word(); }

    double element() override { return pick((static_cast<int32_t>(byte()) - 128) / 64.0); }
    int32_t intElement(int32_t bound) override {
        const uint8_t how = byte();
        if (how < 192 || bound < 1) return bound > 0 ? static_cast<int32_t>(byte() % static_cast<uint32_t>(bound)) : 0;
        return static_cast<int32_t>(word());
    }
    double real(double typical) override { return pick(typical); }
    int32_t integer(int32_t typical) override {
        const uint8_t how = byte();
        if (how < 128) return typical;
        if (how < 192) return typical + static_cast<int8_t>(byte());
        switch (how % 6) {
            case 0: return 0;
            case 1: return -1;
            case 2: return std::numeric_limits<int32_t>::min();
            case 3: return std::numeric_limits<int32_t>::max();
            case 4: return 1 << (byte() % 31);
            default: return static_cast<int32_t>(word());
        }
    }
    uint8_t flag(uint8_t typical) override { return byte() < 128 ? typical : byte(); }
    int32_t budget(int32_t /*typical*/) override { return static_cast<int32_t>(byte() % 66) - 1; }
    // Any shape the host could produce for a block of capacity elements:
    // non-negative words whose product is within the capacity (an empty
    // dimension lets the other claim anything).
    void shape(int32_t capacity, int32_t dims, int32_t *words) override {
        const uint8_t how = byte();
        if (how < 160) return;  // the true shape
        if (dims == 1) {
            words[0] = capacity > 0 ? static_cast<int32_t>(word() % (static_cast<uint32_t>(capacity) + 1)) : 0;
            return;
        }
        if (how < 200 || capacity == 0) {
            // One dimension 0, the other anything non-negative.
            const int32_t other = static_cast<int32_t>(word() & 0x7fffffffu);
            words[how & 1] = 0;
            words[1 - (how & 1)] = other;
            return;
        }
        const int32_t rows = 1 + static_cast<int32_t>(word() % static_cast<uint32_t>(capacity));
        words[0] = rows;
        words[1] = static_cast<int32_t>(word() % (static_cast<uint32_t>(capacity / rows) + 1));
    }
    int32_t length(int32_t n) override {
        const uint8_t how = byte();
        return how < 128 ? n : how % 40;
    }

private:
    double pick(double typical) {
        const uint8_t how = byte();
        if (how < 96) return typical;
        // clang-format off
        static const double kPalette[] = {0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 1e-300, 4.9406564584124654e-324, 1e308, -1e308,
                                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(), 1000.0, 0.001, 100.0};
        // clang-format on
        if (how < 224) return kPalette[how % 16];
        return std::bit_cast<double>(wide());
    }

    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace sweep

#endif  // ORIN_TESTS_SWEEP_SOURCES_H
