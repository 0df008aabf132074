// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "runtime/CallFrame.h"

namespace runtime {

// The C++ side of a runtime function: called on the thread whose unit code made the call,
// with that call's frame.
using HostFunction = void (*)(CallFrame& frame);

// Binds a C++ function with natural parameter and result types to the calling contract:
//   by value:     std::int32_t (Integer), bool (Boolean), std::uint8_t (Byte),
//                 std::uint16_t (Word), long double (Real), double, float (Single),
//                 ShortString (String)
//   by reference: Ref<T> for the typed kinds, StringRef, BitRef, ValueListRef, UntypedRef
//   results:      void or any by-value type above
// A first parameter of type CallFrame& receives the frame itself (for the engine and memory).
// `Fits<F>(spec)` tells whether F's types match a row's signature.
namespace binding {

template <typename T> struct ArgumentTraits;

#define QUORVA_ARGUMENT(Type, Class, Read)                                                        \
    template <> struct ArgumentTraits<Type> {                                                      \
        static constexpr ArgumentClass kClass = ArgumentClass::Class;                              \
        static Type Get(const CallFrame& frame, std::size_t index) { return frame.Read(index); }  \
    };
QUORVA_ARGUMENT(std::int32_t, Integer, Integer)
QUORVA_ARGUMENT(bool, Boolean, Boolean)
QUORVA_ARGUMENT(std::uint8_t, Byte, Byte)
QUORVA_ARGUMENT(std::uint16_t, Word, Word)
QUORVA_ARGUMENT(long double, Real, Real)
QUORVA_ARGUMENT(double, Double, Double)
QUORVA_ARGUMENT(float, Single, Single)
QUORVA_ARGUMENT(ShortString, StringValue, String)
QUORVA_ARGUMENT(StringRef, StringRef, StringReference)
QUORVA_ARGUMENT(BitRef, BitRef, Bit)
QUORVA_ARGUMENT(ValueListRef, ValueList, ValueList)
QUORVA_ARGUMENT(UntypedRef, Untyped, Untyped)
#undef QUORVA_ARGUMENT

template <typename T> struct ArgumentTraits<Ref<T>> {
    static constexpr ArgumentClass kClass = ArgumentClass::Reference;
    static Ref<T> Get(const CallFrame& frame, std::size_t index) {
        return frame.Reference<T>(index);
    }
};

template <typename T> using Plain = std::remove_cvref_t<T>;

template <typename R> void Return(CallFrame& frame, R value) {
    if constexpr (std::is_same_v<R, bool>)
        frame.ReturnBoolean(value);
    else if constexpr (std::is_same_v<R, std::uint8_t>)
        frame.ReturnByte(value);
    else if constexpr (std::is_same_v<R, std::uint16_t>)
        frame.ReturnWord(value);
    else if constexpr (std::is_same_v<R, std::int32_t>)
        frame.ReturnInteger(value);
    else if constexpr (std::is_same_v<R, long double>)
        frame.ReturnReal(value);
    else if constexpr (std::is_same_v<R, double>)
        frame.ReturnDouble(value);
    else if constexpr (std::is_same_v<R, float>)
        frame.ReturnSingle(value);
    else if constexpr (std::is_same_v<R, ShortString>)
        frame.ReturnString(value);
    else
        static_assert(sizeof(R) == 0, "not a result type of the calling contract");
}

template <auto F, typename R, typename... Args, std::size_t... I>
void Invoke(CallFrame& frame, std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>)
        F(ArgumentTraits<Args>::Get(frame, I)...);
    else
        Return<R>(frame, F(ArgumentTraits<Args>::Get(frame, I)...));
}

template <auto F, typename R, typename... Args, std::size_t... I>
void InvokeWithFrame(CallFrame& frame, std::index_sequence<I...>) {
    if constexpr (std::is_void_v<R>)
        F(frame, ArgumentTraits<Args>::Get(frame, I)...);
    else
        Return<R>(frame, F(frame, ArgumentTraits<Args>::Get(frame, I)...));
}

template <auto F, typename Fn> struct Adapter;
template <auto F, typename R, typename... Args> struct Adapter<F, R (*)(Args...)> {
    static void Call(CallFrame& frame) {
        Invoke<F, R, Plain<Args>...>(frame, std::index_sequence_for<Args...>{});
    }
};
template <auto F, typename R, typename... Args> struct Adapter<F, R (*)(CallFrame&, Args...)> {
    static void Call(CallFrame& frame) {
        InvokeWithFrame<F, R, Plain<Args>...>(frame, std::index_sequence_for<Args...>{});
    }
};

template <typename R> constexpr bool ResultFits(engine::TypeCode result) {
    using engine::TypeCode;
    if constexpr (std::is_void_v<R>)
        return result == TypeCode::None;
    else if constexpr (std::is_same_v<R, bool>)
        return result == TypeCode::Boolean || result == TypeCode::Boolean6;
    else if constexpr (std::is_same_v<R, std::uint8_t>)
        return result == TypeCode::Byte;
    else if constexpr (std::is_same_v<R, std::uint16_t>)
        return result == TypeCode::Word;
    else if constexpr (std::is_same_v<R, std::int32_t>)
        return result == TypeCode::Integer;
    else if constexpr (std::is_same_v<R, long double>)
        return result == TypeCode::Real;
    else if constexpr (std::is_same_v<R, double>)
        return result == TypeCode::Double;
    else if constexpr (std::is_same_v<R, float>)
        return result == TypeCode::Single;
    else if constexpr (std::is_same_v<R, ShortString>)
        return result == TypeCode::String;
    else
        return false;
}

template <typename... Args> bool ArgumentsFit(const FunctionSpec& spec) {
    if (spec.parameters.size() != sizeof...(Args))
        return false;
    constexpr ArgumentClass classes[] = {ArgumentTraits<Args>::kClass..., ArgumentClass::Integer};
    for (std::size_t i = 0; i < sizeof...(Args); ++i) {
        if (ClassOf(spec.parameters[i]) != classes[i])
            return false;
    }
    return true;
}

template <typename Fn> struct Fitter;
template <typename R, typename... Args> struct Fitter<R (*)(Args...)> {
    static bool Fits(const FunctionSpec& spec) {
        return ResultFits<R>(spec.result) && ArgumentsFit<Plain<Args>...>(spec);
    }
};
template <typename R, typename... Args> struct Fitter<R (*)(CallFrame&, Args...)> {
    static bool Fits(const FunctionSpec& spec) {
        return ResultFits<R>(spec.result) && ArgumentsFit<Plain<Args>...>(spec);
    }
};

} // namespace binding

template <auto F> constexpr HostFunction Bind() {
    return &binding::Adapter<F, decltype(F)>::Call;
}

template <auto F> bool Fits(const FunctionSpec& spec) {
    return binding::Fitter<decltype(F)>::Fits(spec);
}

} // namespace runtime
