#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace zelvano::rar {

// The compressed stream is read most-significant bit first: the first bit of
// a byte is its top bit, and multi-bit values are stored high bits first.
class EscritorBits {
 public:
  explicit EscritorBits(std::vector<uint8_t>& destino) : destino_(destino) {}

  void escribe(uint32_t valor, int n) {  // n <= 32
    if (n == 0) return;
    acum_ = (acum_ << n) | (valor & ((n == 32) ? 0xFFFFFFFFu : ((1u << n) - 1)));
    pendientes_ += n;
    while (pendientes_ >= 8) {
      pendientes_ -= 8;
      destino_.push_back(static_cast<uint8_t>(acum_ >> pendientes_));
    }
  }

  // Pads the last byte with zero bits.
  void alinea() {
    if (pendientes_ > 0) escribe(0, 8 - pendientes_);
  }

  uint64_t bits_escritos() const { return destino_.size() * 8ull + pendientes_; }

 private:
  std::vector<uint8_t>& destino_;
  uint64_t acum_ = 0;
  int pendientes_ = 0;
};

// Reads a bounded stream that arrives in pieces. Past the end it yields zero
// bits and remembers it, so the decoder can test for truncation once per
// symbol instead of on every peek.
class LectorBits {
 public:
  // `rellena` appends up to `max` further bytes to the vector and returns how
  // many it added; 0 means the stream is over.
  using Rellena = std::function<size_t(std::vector<uint8_t>&, size_t max)>;

  explicit LectorBits(Rellena rellena) : rellena_(std::move(rellena)) { carga(); }

  uint32_t mira(int n) {  // n <= 25
    if (disponibles_ < n) carga();
    return static_cast<uint32_t>(acum_ >> (disponibles_ - n)) & ((1u << n) - 1);
  }
  void consume(int n) { disponibles_ -= n; }
  uint32_t lee(int n) {
    uint32_t v = mira(n);
    consume(n);
    return v;
  }
  void alinea() { disponibles_ -= disponibles_ % 8; }

  // True once more bits were consumed than the stream holds.
  bool excedido() const { return static_cast<int64_t>(disponibles_) < relleno_bits_; }

  // Real (non-padding) bits still unread; a large value while more input may
  // still arrive.
  int64_t bits_restantes() {
    carga();
    if (!fin_) return INT64_MAX;
    return static_cast<int64_t>(disponibles_) - relleno_bits_;
  }

 private:
  void carga() {
    if (buffer_.size() - pos_ >= 8 && disponibles_ <= 56) {
      // Fast path: as many whole bytes as fit, in one big-endian load.
      uint64_t v;
      std::memcpy(&v, buffer_.data() + pos_, 8);
      v = __builtin_bswap64(v);
      int k = (64 - disponibles_) / 8;
      acum_ = (k == 8) ? v : (acum_ << (8 * k)) | (v >> (64 - 8 * k));
      pos_ += static_cast<size_t>(k);
      disponibles_ += 8 * k;
      return;
    }
    while (disponibles_ <= 56) {
      if (pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = 0;
        if (!fin_ && rellena_(buffer_, 1 << 16) == 0) fin_ = true;
      }
      if (pos_ < buffer_.size()) {
        acum_ = (acum_ << 8) | buffer_[pos_++];
      } else {
        acum_ <<= 8;
        relleno_bits_ += 8;
      }
      disponibles_ += 8;
    }
  }

  Rellena rellena_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  bool fin_ = false;
  uint64_t acum_ = 0;
  int disponibles_ = 0;
  int64_t relleno_bits_ = 0;
};

}  // namespace zelvano::rar
