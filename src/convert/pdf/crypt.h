// Decryption of files protected by the standard security handler with an
// empty user password: the usual case of Chinese e-books that only forbid
// copying or printing (an owner password), which every viewer opens without
// asking. RC4 (40 to 128 bits), AES-128 and AES-256 (revisions 2 to 6) are
// understood. A file that needs a user password cannot be read.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "convert/pdf/object.h"

namespace folian::convert::pdf {

class Document;

class Decryptor {
 public:
  virtual ~Decryptor() = default;

  enum class Setup {
    kOk,
    kNeedsPassword,  // the empty user password does not open it
    kUnsupported,    // another security handler, or an unknown revision
  };
  // Builds the decryptor for the trailer's /Encrypt dictionary.
  static Setup Create(Document& doc, const Object& encrypt, std::string_view file_id,
                      std::unique_ptr<Decryptor>* out);

  // Decrypts the bytes of a stream of object `id`; false when they are
  // damaged (bad padding, too short).
  virtual bool DecryptStream(ObjRef id, std::string_view in, std::string* out) const = 0;
};

// The primitives, exposed for tests against published vectors.
std::string Md5(std::string_view data);
std::string Rc4(std::string_view key, std::string_view data);
// AES-CBC decryption with the IV in the first 16 bytes and PKCS#7 padding;
// false when the length or the padding is wrong.
bool AesCbcDecrypt(std::string_view key, std::string_view in, std::string* out);

}  // namespace folian::convert::pdf
