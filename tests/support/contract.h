// The contract harness: one row per failing call of an entry point.
//
// A row names the case, the code the entry point must store (or return), and
// a call that builds its inputs, registers the outputs the failure path must
// touch, and calls the entry point. The harness checks the code, that every
// registered output came back emptied (dimension words 0) and every kept
// array unchanged, that every registered double scalar holds iDNaN bit for
// bit, and that no host block was leaked.
//
// A row is one line: ORIN_ROW(code, call), the call an expression over c (the
// row's Contract) and e (the int32 error output), named by its own text; the
// entry point must also return 0 (no resize refused). ORIN_CODE_ROW(code,
// call) is the row of a routine that returns its code.
//
//   ORIN_CONTRACT_TABLE(Statistics) {
//       return {
//           ORIN_ROW(kErrEmptyArray, Median_head(c.input(), c.scalar(), e)),
//       };
//   }
//
// Rows of many entry points live in one table; a new family adds rows.
#ifndef ORIN_TESTS_CONTRACT_H
#define ORIN_TESTS_CONTRACT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "handles.h"
#include "hostcontrol.h"

namespace orintest {

// Owns the handles and scalars of one row's call, so that they can be
// checked after the call and freed before the leak check.
class Contract {
public:
    // A double scalar output the failure must fill with iDNaN (starts at 1.0).
    double *scalar() { return &scalars_.emplace_back(1.0); }
    // A complex scalar output the failure must fill with iDNaN in both parts.
    complexnum *complexScalar() {
        complexnum *z = &complexes_.emplace_back(complexnum{1.0, 1.0});
        checks_.push_back([z] { return isIDNaN(z->re) && isIDNaN(z->im); });
        return z;
    }
    // An int32 output the failure must set to want (when given); it starts
    // at a value no routine reports, so an output left alone is seen.
    int32_t *intOutput(std::optional<int32_t> want = {}) {
        int32_t *k = &ints_.emplace_back(-12345);
        if (want) checks_.push_back([k, w = *want] { return *k == w; });
        return k;
    }
    // A 1D input handle holding the values (doubles unless named).
    template <class Block = DoubleArray>
    Block **input(const std::vector<typename Handle<Block>::Element> &values = {}) {
        return keep(std::make_shared<Handle<Block>>(values))->get();
    }
    // A 2D input handle.
    template <class Block>
    Block **input(int32_t rows, int32_t cols, const std::vector<typename Handle<Block>::Element> &values) {
        return keep(std::make_shared<Handle<Block>>(rows, cols, values))->get();
    }
    // An output handle (1D or 2D, starting with the values; doubles unless
    // named) that the failure must empty.
    template <class Block = DoubleArray, class... Args>
    Block **output(Args &&...args) {
        auto h = keep(std::make_shared<Handle<Block>>(std::forward<Args>(args)...));
        checks_.push_back([h] { return h->emptied(); });
        return h->get();
    }
    template <class Block = DoubleArray>
    Block **output(std::initializer_list<typename Handle<Block>::Element> values) {
        return output<Block>(std::vector<typename Handle<Block>::Element>(values));
    }
    template <class Block>
    Block **output(int32_t rows, int32_t cols, std::initializer_list<typename Handle<Block>::Element> values) {
        return output<Block>(rows, cols, std::vector<typename Handle<Block>::Element>(values));
    }

    // An in/out handle the call must leave as it was.
    template <class Block = DoubleArray>
    Block **kept(const std::vector<typename Handle<Block>::Element> &values) {
        auto h = keep(std::make_shared<Handle<Block>>(values));
        checks_.push_back([h, values] { return h->values() == values; });
        return h->get();
    }

    void verify() const {
        for (size_t i = 0; i < scalars_.size(); ++i) EXPECT_TRUE(isIDNaN(scalars_[i])) << "scalar output " << i;
        for (size_t i = 0; i < checks_.size(); ++i)
            EXPECT_TRUE(checks_[i]()) << "output " << i << " not emptied, kept or set as the failure must";
    }

private:
    template <class H>
    std::shared_ptr<H> keep(std::shared_ptr<H> h) {
        owned_.push_back(h);
        return h;
    }

    std::deque<double> scalars_;  // stable addresses
    std::deque<complexnum> complexes_;
    std::deque<int32_t> ints_;
    std::vector<std::shared_ptr<void>> owned_;
    std::vector<std::function<bool()>> checks_;
};

struct ContractRow {
    std::string name;
    int32_t code;
    std::function<int32_t(Contract &)> call;
};

// The usual row: an entry point with an int32 error output and a return
// value that must be 0 (no resize refused). The call gets the contract and
// the error output's address.
template <class Call>
ContractRow errorRow(std::string name, int32_t code, Call call) {
    return {std::move(name), code, [call](Contract &c) {
                int32_t error = 0;
                EXPECT_EQ(call(c, &error), 0) << "return value";
                return error;
            }};
}

inline void checkContractRows(const std::vector<ContractRow> &rows) {
    for (const ContractRow &row : rows) {
        SCOPED_TRACE(row.name);
        const int64_t live = OrinHostLiveBlocks();
        {
            Contract c;
            EXPECT_EQ(row.call(c), row.code);
            c.verify();
        }
        EXPECT_EQ(OrinHostLiveBlocks(), live) << "host blocks leaked";
    }
}

}  // namespace orintest

#define ORIN_ROW(code, ...) \
    ::orintest::errorRow(#__VA_ARGS__, code, [=](::orintest::Contract &c, int32_t *e) { return __VA_ARGS__; })
#define ORIN_CODE_ROW(code, ...)                                                                   \
    ::orintest::ContractRow {                                                                      \
#__VA_ARGS__, code, [=]([[maybe_unused]] ::orintest::Contract & c) { return __VA_ARGS__; } \
    }

#define ORIN_CONTRACT_TABLE(Suite)                                                \
    static std::vector<orintest::ContractRow> Suite##ContractRows();              \
    TEST(Contract, Suite) { orintest::checkContractRows(Suite##ContractRows()); } \
    static std::vector<orintest::ContractRow> Suite##ContractRows()

#endif  // ORIN_TESTS_CONTRACT_H
