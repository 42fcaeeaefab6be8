#include "convert/pdf/crypt.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "convert/pdf/document.h"

namespace folian::convert::pdf {
namespace {

// The padding an empty (or short) password is filled up with.
constexpr unsigned char kPad[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                    0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                    0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string_view PadBytes() { return {reinterpret_cast<const char*>(kPad), sizeof kPad}; }

std::string Digest(const EVP_MD* md, std::string_view data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_Digest(data.data(), data.size(), out, &len, md, nullptr) != 1) return {};
  return std::string(reinterpret_cast<const char*>(out), len);
}

// AES-CBC over whole blocks, without padding; `encrypt` picks the direction.
bool AesCbcRaw(std::string_view key, std::string_view iv, std::string_view in, bool encrypt,
               std::string* out) {
  const EVP_CIPHER* cipher = key.size() == 16 ? EVP_aes_128_cbc() : key.size() == 32 ? EVP_aes_256_cbc() : nullptr;
  if (cipher == nullptr || iv.size() != 16 || in.size() % 16 != 0) return false;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (ctx == nullptr) return false;
  out->assign(in.size() + 16, '\0');
  int n = 0;
  int m = 0;
  const bool ok =
      EVP_CipherInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                        reinterpret_cast<const unsigned char*>(iv.data()), encrypt ? 1 : 0) == 1 &&
      EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
      EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out->data()), &n,
                       reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size())) == 1 &&
      EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(out->data()) + n, &m) == 1;
  EVP_CIPHER_CTX_free(ctx);
  if (!ok) return false;
  out->resize(static_cast<std::size_t>(n + m));
  return true;
}

std::string Le(std::uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

enum class Method { kNone, kRc4, kAes128, kAes256 };

class StandardDecryptor : public Decryptor {
 public:
  StandardDecryptor(std::string key, Method method) : key_(std::move(key)), method_(method) {}

  bool DecryptStream(ObjRef id, std::string_view in, std::string* out) const override {
    if (method_ == Method::kNone) {
      out->assign(in);
      return true;
    }
    if (method_ == Method::kAes256) return AesCbcDecrypt(key_, in, out);
    // Revisions 2 to 4: a key per object.
    std::string material = key_ + Le(id.num, 3) + Le(id.gen, 2);
    if (method_ == Method::kAes128) material += "sAlT";
    std::string k = Md5(material);
    k.resize(std::min<std::size_t>(key_.size() + 5, 16));
    if (method_ == Method::kRc4) {
      *out = Rc4(k, in);
      return true;
    }
    return AesCbcDecrypt(k, in, out);
  }

 private:
  std::string key_;
  Method method_;
};

// Revision 6's password hash (and revision 5's plain SHA-256).
std::string Hash2B(std::string_view password, std::string_view salt, std::string_view udata, int revision) {
  std::string k = Digest(EVP_sha256(), std::string(password) + std::string(salt) + std::string(udata));
  if (revision < 6 || k.size() != 32) return k;
  for (int round = 0;; ++round) {
    std::string k1;
    const std::string unit = std::string(password) + k + std::string(udata);
    k1.reserve(unit.size() * 64);
    for (int i = 0; i < 64; ++i) k1 += unit;
    std::string e;
    if (!AesCbcRaw(std::string_view(k).substr(0, 16), std::string_view(k).substr(16, 16), k1, true, &e)) {
      return {};
    }
    int sum = 0;
    for (int i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[static_cast<std::size_t>(i)]);
    const int which = sum % 3;
    k = Digest(which == 0 ? EVP_sha256() : which == 1 ? EVP_sha384() : EVP_sha512(), e);
    // At least 64 rounds; then until the last byte is small enough (by round
    // 287 at the latest, as a byte never exceeds 255).
    if (round >= 63 && static_cast<unsigned char>(e.back()) <= round + 1 - 32) break;
  }
  k.resize(32);
  return k;
}

}  // namespace

std::string Md5(std::string_view data) { return Digest(EVP_md5(), data); }

std::string Rc4(std::string_view key, std::string_view data) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  if (!key.empty()) {
    unsigned j = 0;
    for (unsigned i = 0; i < 256; ++i) {
      j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
      std::swap(s[i], s[j]);
    }
  }
  std::string out(data.size(), '\0');
  unsigned i = 0;
  unsigned j = 0;
  for (std::size_t k = 0; k < data.size(); ++k) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[k] = static_cast<char>(static_cast<unsigned char>(data[k]) ^ s[(s[i] + s[j]) & 0xFF]);
  }
  return out;
}

bool AesCbcDecrypt(std::string_view key, std::string_view in, std::string* out) {
  if (in.size() < 32) {
    // An IV and no block: an empty stream.
    out->clear();
    return in.size() == 16 || in.empty();
  }
  const std::size_t body = (in.size() - 16) / 16 * 16;  // a ragged tail is dropped
  if (!AesCbcRaw(key, in.substr(0, 16), in.substr(16, body), false, out)) return false;
  const auto pad = static_cast<unsigned char>(out->back());
  if (pad >= 1 && pad <= 16 && pad <= out->size()) out->resize(out->size() - pad);
  return true;
}

Decryptor::Setup Decryptor::Create(Document& doc, const Object& encrypt, std::string_view file_id,
                                   std::unique_ptr<Decryptor>* out) {
  const Object* filter = doc.Lookup(&encrypt, "Filter");
  if (filter == nullptr || !filter->is_name("Standard")) return Setup::kUnsupported;
  auto number = [&](std::string_view key, double fallback) {
    const Object* v = doc.Lookup(&encrypt, key);
    return v != nullptr && v->is_number() ? v->number : fallback;
  };
  auto bytes = [&](std::string_view key) {
    const Object* v = doc.Lookup(&encrypt, key);
    return v != nullptr && v->is_string() ? v->str : std::string();
  };
  const int v = static_cast<int>(std::clamp(number("V", 0), 0.0, 10.0));
  const int r = static_cast<int>(std::clamp(number("R", 0), 0.0, 10.0));
  const std::string o = bytes("O");
  const std::string u = bytes("U");

  // The stream method: V4 and V5 name it through crypt filters.
  Method method = Method::kRc4;
  int length = static_cast<int>(std::clamp(number("Length", 40), 40.0, 256.0)) / 8;
  if (v >= 4) {
    method = Method::kNone;
    const Object* stmf = doc.Lookup(&encrypt, "StmF");
    const std::string name = stmf != nullptr && stmf->is_name() ? stmf->str : "Identity";
    if (name != "Identity") {
      const Object* cf = doc.Lookup(&encrypt, "CF");
      const Object* filter_dict = doc.Lookup(cf, name);
      const Object* cfm = doc.Lookup(filter_dict, "CFM");
      if (cfm != nullptr && cfm->is_name("V2")) method = Method::kRc4;
      else if (cfm != nullptr && cfm->is_name("AESV2")) method = Method::kAes128;
      else if (cfm != nullptr && cfm->is_name("AESV3")) method = Method::kAes256;
      else if (cfm != nullptr && !cfm->is_name("None")) return Setup::kUnsupported;
      if (const Object* len = doc.Lookup(filter_dict, "Length"); len != nullptr && len->is_number()) {
        // Given in bytes by most writers, in bits by some.
        const double l = len->number;
        if (l >= 5 && l <= 32) length = static_cast<int>(l);
        else if (l >= 40 && l <= 256) length = static_cast<int>(l) / 8;
      }
    }
  }

  if (r == 5 || r == 6) {
    if (u.size() < 48 || bytes("UE").size() < 32) return Setup::kUnsupported;
    const std::string check = Hash2B("", std::string_view(u).substr(32, 8), "", r);
    if (check.size() < 32 || check.substr(0, 32) != u.substr(0, 32)) return Setup::kNeedsPassword;
    const std::string inter = Hash2B("", std::string_view(u).substr(40, 8), "", r);
    std::string key;
    if (!AesCbcRaw(inter.substr(0, 32), std::string(16, '\0'), bytes("UE").substr(0, 32), false, &key)) {
      return Setup::kUnsupported;
    }
    *out = std::make_unique<StandardDecryptor>(key, method == Method::kNone ? Method::kNone : Method::kAes256);
    return Setup::kOk;
  }
  if (r < 2 || r > 4 || o.size() < 32 || u.size() < 32) return Setup::kUnsupported;
  if (r == 2) length = 5;
  length = std::clamp(length, 5, 16);

  // The file key from the empty user password.
  const auto p = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::clamp(number("P", 0), -2147483648.0, 4294967295.0)));
  std::string material = std::string(PadBytes()) + o.substr(0, 32) + Le(p, 4) + std::string(file_id);
  const Object* meta = doc.Lookup(&encrypt, "EncryptMetadata");
  if (r >= 4 && meta != nullptr && meta->type == ObjType::kBool && !meta->boolean) material += "\xFF\xFF\xFF\xFF";
  std::string key = Md5(material);
  if (r >= 3) {
    for (int i = 0; i < 50; ++i) key = Md5(key.substr(0, static_cast<std::size_t>(length)));
  }
  key.resize(static_cast<std::size_t>(length));

  // Does the empty password open it?
  bool opens = false;
  if (r == 2) {
    opens = Rc4(key, PadBytes()) == u.substr(0, 32);
  } else {
    std::string x = Rc4(key, Md5(std::string(PadBytes()) + std::string(file_id)));
    for (int i = 1; i <= 19; ++i) {
      std::string k = key;
      for (char& c : k) c = static_cast<char>(c ^ i);
      x = Rc4(k, x);
    }
    opens = x == u.substr(0, 16);
  }
  if (!opens) return Setup::kNeedsPassword;
  *out = std::make_unique<StandardDecryptor>(key, method);
  return Setup::kOk;
}

}  // namespace folian::convert::pdf
