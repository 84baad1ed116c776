// One RAII holder for every kind of system handle, keyed on the function that releases it.
#pragma once

#include "platform/WinApi.h"

#include <type_traits>
#include <utility>

template <typename T, auto Release>
class CResource {
public:
    CResource() = default;
    explicit CResource(T h) : m_h(IsValid(h) ? h : T{}) {}
    ~CResource() { Reset(); }

    CResource(const CResource&) = delete;
    CResource& operator=(const CResource&) = delete;
    CResource(CResource&& other) noexcept : m_h(other.Detach()) {}
    CResource& operator=(CResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    // Null and INVALID_HANDLE_VALUE both mean "no handle"; only a real handle is ever stored.
    static bool IsValid(T h)
    {
        if constexpr (std::is_same_v<T, HANDLE>)
            return h != nullptr && h != INVALID_HANDLE_VALUE;
        else
            return h != T{};
    }

    T Get() const { return m_h; }
    explicit operator bool() const { return m_h != T{}; }

    T Detach() { return std::exchange(m_h, T{}); }

    void Reset(T h = T{})
    {
        T old = std::exchange(m_h, IsValid(h) ? h : T{});
        if (old != T{})
            Release(old);
    }

private:
    T m_h{};
};
