#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <string_view>

namespace vesperline::platform {

// The bytes of a secret such as a password, overwritten with zeros before their memory is given
// back, so the secret does not linger in freed memory. Move-only; always followed by a NUL byte,
// so `data()` is also a C string.
class SecretBuffer {
  public:
    SecretBuffer() = default;
    explicit SecretBuffer(std::string_view bytes);
    // Takes `text` as UTF-8 and overwrites `text` in place, then empties it. Overwriting reaches
    // only the copy handed in: pass the last one (clear the widget that held it first).
    static SecretBuffer takeText(QString& text);
    ~SecretBuffer();

    SecretBuffer(SecretBuffer&& other) noexcept;
    SecretBuffer& operator=(SecretBuffer&& other) noexcept;
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    const char* data() const { return bytes_ ? bytes_.get() : ""; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Overwrites the bytes with zeros now and leaves the buffer empty; the memory itself is given
    // back when the buffer goes.
    void wipe();

  private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
};

} // namespace vesperline::platform
