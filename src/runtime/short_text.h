// A text of at most 255 single-byte characters, kept by value with a zero byte after it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class ShortText {
public:
    static constexpr int kMax = 255;

    ShortText() { data_[0] = 0; }
    ShortText(const char* text) { Assign(text ? std::string_view(text) : std::string_view()); }
    ShortText(std::string_view text) { Assign(text); }
    ShortText(const std::string& text) { Assign(text); }

    int size() const { return length_; }
    bool empty() const { return length_ == 0; }
    const char* c_str() const { return data_; }
    std::string_view view() const { return {data_, static_cast<size_t>(length_)}; }
    std::string str() const { return std::string(view()); }
    char operator[](int i) const { return data_[i]; }

    // Joining cuts the result after 255 characters.
    ShortText& operator+=(std::string_view more) {
        size_t room = static_cast<size_t>(kMax - length_);
        size_t take = more.size() < room ? more.size() : room;
        std::memcpy(data_ + length_, more.data(), take);
        length_ = static_cast<uint8_t>(length_ + take);
        data_[length_] = 0;
        return *this;
    }
    ShortText& operator+=(const ShortText& more) { return *this += more.view(); }
    ShortText& operator+=(const char* more) { return *this += std::string_view(more); }
    ShortText& operator+=(const std::string& more) { return *this += std::string_view(more); }
    ShortText& operator+=(char c) { return *this += std::string_view(&c, 1); }

    void Truncate(int length) {
        if (length >= 0 && length < length_) {
            length_ = static_cast<uint8_t>(length);
            data_[length_] = 0;
        }
    }

    friend ShortText operator+(ShortText left, std::string_view right) { return left += right; }
    friend ShortText operator+(ShortText left, const ShortText& right) { return left += right; }
    friend ShortText operator+(ShortText left, const char* right) { return left += right; }
    friend ShortText operator+(ShortText left, const std::string& right) { return left += right; }
    friend bool operator==(const ShortText& a, const ShortText& b) { return a.view() == b.view(); }
    friend bool operator==(const ShortText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const ShortText& a, const char* b) { return a.view() == b; }

private:
    void Assign(std::string_view text) {
        length_ = 0;
        data_[0] = 0;
        *this += text;
    }

    uint8_t length_ = 0;
    char data_[kMax + 1];
};
