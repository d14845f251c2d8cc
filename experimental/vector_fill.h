// Filling a large vector from a formula without first zeroing it: resize()
// would write every element twice, which for a spectrum's axis and its
// copies is much of the cost of opening it.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

namespace quble {

// Random-access iterator yielding f(i); only what vector::assign needs.
template <class T, class F>
class GeneratedIterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = T;

    GeneratedIterator(const F* f, std::size_t i) : f_(f), i_(i) {}
    T operator*() const { return (*f_)(i_); }
    GeneratedIterator& operator++() { ++i_; return *this; }
    GeneratedIterator operator++(int) { GeneratedIterator t = *this; ++i_; return t; }
    GeneratedIterator& operator--() { --i_; return *this; }
    GeneratedIterator& operator+=(difference_type d) { i_ = static_cast<std::size_t>(static_cast<difference_type>(i_) + d); return *this; }
    GeneratedIterator& operator-=(difference_type d) { return *this += -d; }
    difference_type operator-(const GeneratedIterator& o) const {
        return static_cast<difference_type>(i_) - static_cast<difference_type>(o.i_);
    }
    bool operator==(const GeneratedIterator& o) const { return i_ == o.i_; }
    bool operator!=(const GeneratedIterator& o) const { return i_ != o.i_; }
    bool operator<(const GeneratedIterator& o) const { return i_ < o.i_; }

private:
    const F* f_;
    std::size_t i_;
};

// v := {f(0), f(1), ..., f(n - 1)}, constructing each element once.
template <class T, class F>
void AssignGenerated(std::vector<T>& v, std::size_t n, F f) {
    v.clear();
    v.assign(GeneratedIterator<T, F>(&f, 0), GeneratedIterator<T, F>(&f, n));
}

}  // namespace quble
