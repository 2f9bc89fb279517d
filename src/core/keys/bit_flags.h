#pragma once
// A set of bits with a type of its own. The program meets two modifier
// encodings that are both small numbers (a chord's mask, a key event's shift
// state); each is a BitFlags of its own, so that one passed where the other is
// meant does not compile. A number becomes one, and one a number, only where
// the code says so: at storage, and at the system's own calls.

namespace keys {

template <class Self>
class BitFlags {
public:
    constexpr BitFlags() = default;
    constexpr explicit BitFlags(int bits) : bits_(bits) {}

    constexpr int bits() const { return bits_; }
    constexpr explicit operator bool() const { return bits_ != 0; }
    constexpr Self without(Self other) const { return Self(bits_ & ~other.bits()); }

    friend constexpr Self operator|(Self a, Self b) { return Self(a.bits() | b.bits()); }
    friend constexpr Self operator&(Self a, Self b) { return Self(a.bits() & b.bits()); }
    friend constexpr bool operator==(Self a, Self b) { return a.bits() == b.bits(); }
    constexpr Self& operator|=(Self other) {
        bits_ |= other.bits();
        return static_cast<Self&>(*this);
    }

private:
    int bits_ = 0;
};

}  // namespace keys
