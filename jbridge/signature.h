// Compile-time JNI type signatures.
//
// Every proxy type carries its signature as a constant (`kJniSignature`), so the signature of a
// method follows from the C++ types of its parameters and result when the member is compiled:
// nothing is built or looked up by text at run time except the method ID itself.
// Thread rule: constants only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <type_traits>

namespace jbridge {

// A string usable as a template argument and concatenated at compile time.
template <std::size_t N>
struct FixedString {
  char chars[N + 1] = {};

  constexpr FixedString() = default;
  constexpr FixedString(const char (&text)[N + 1]) { std::copy_n(text, N + 1, chars); }

  static constexpr std::size_t size() { return N; }
  constexpr std::string_view view() const { return {chars, N}; }
  constexpr const char* c_str() const { return chars; }
};
template <std::size_t N>
FixedString(const char (&)[N]) -> FixedString<N - 1>;

template <std::size_t... Ns>
constexpr FixedString<(Ns + ... + 0)> concat(const FixedString<Ns>&... parts) {
  FixedString<(Ns + ... + 0)> out;
  std::size_t pos = 0;
  ((std::copy_n(parts.chars, Ns, out.chars + pos), pos += Ns), ...);
  return out;
}

// "L" + internal name + ";", the signature of a class type.
template <std::size_t N>
constexpr auto objectSignature(const FixedString<N>& internalName) {
  return concat(FixedString{"L"}, internalName, FixedString{";"});
}

// Types with a compile-time signature: the primitive proxies, the object proxies and arrays.
template <class T>
concept JniTyped = requires {
  T::kJniSignature;
};

template <class R>
constexpr auto resultSignature() {
  if constexpr (std::is_void_v<R>) {
    return FixedString{"V"};
  } else {
    return R::kJniSignature;
  }
}

// "(" + argument signatures + ")" + result signature.
template <class R, class... Args>
constexpr auto methodSignature() {
  return concat(FixedString{"("}, std::remove_cvref_t<Args>::kJniSignature..., FixedString{")"},
                resultSignature<R>());
}

}  // namespace jbridge
