// Dispatches the pieces of one digest to its algorithm and spells the result.
#include "engine/running_digest.h"

#include "engine/crc32.h"

namespace {

std::string HexText(const uint8_t* bytes, size_t count, const char* digits) {
    std::string text(count * 2, '0');
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 15];
    }
    return text;
}

constexpr char kLowerDigits[] = "0123456789abcdef";

} // namespace

TRunningDigest::TRunningDigest(TChecksumKind kind, TCpuFeatures features)
    : Kind(kind), Features(features) {
    switch (Kind) {
    case ckMD5:
        MD5Init(Md5);
        break;
    case ckSHA1:
        SHA1Init(Sha1);
        break;
    case ckSHA256:
        SHA256Init(Sha256, Features);
        break;
    case ckSHA512:
        SHA512Init(Sha512);
        break;
    case ckBLAKE3:
        Blake3Init(Blake3, Features);
        break;
    case ckXXH128:
        XXH3Init(Xxh3, Features);
        break;
    default:
        break;
    }
}

void TRunningDigest::Add(const void* data, size_t length) {
    switch (Kind) {
    case ckMD5:
        MD5Update(Md5, data, static_cast<uint32_t>(length));
        break;
    case ckSHA1:
        SHA1Update(Sha1, data, length);
        break;
    case ckSHA256:
        SHA256Update(Sha256, data, length);
        break;
    case ckSHA512:
        SHA512Update(Sha512, data, length);
        break;
    case ckBLAKE3:
        Blake3Update(Blake3, data, length);
        break;
    case ckXXH128:
        XXH3Update(Xxh3, data, length);
        break;
    default:
        Crc = CRC32Update(Crc, data, length, Features);
        break;
    }
}

void TRunningDigest::AddBlake3Subtree(const uint32_t cv[8], unsigned levels) {
    Blake3AddSubtree(Blake3, cv, levels);
}

std::string TRunningDigest::Text() {
    uint8_t digest[64];
    switch (Kind) {
    case ckMD5:
        MD5Final(Md5, digest);
        return HexText(digest, 16, kLowerDigits);
    case ckSHA1:
        SHA1Final(Sha1, digest);
        return HexText(digest, 20, kLowerDigits);
    case ckSHA256:
        SHA256Final(Sha256, digest);
        return HexText(digest, 32, kLowerDigits);
    case ckSHA512:
        SHA512Final(Sha512, digest);
        return HexText(digest, 64, kLowerDigits);
    case ckBLAKE3:
        Blake3Final(Blake3, digest);
        return HexText(digest, 32, kLowerDigits);
    case ckXXH128:
        XXH3Final(Xxh3, digest);
        return HexText(digest, 16, kLowerDigits);
    default: {
        const uint32_t crc = Crc ^ 0xFFFFFFFFu;
        StoreBigEndian32(digest, crc);
        return HexText(digest, 4, "0123456789ABCDEF");
    }
    }
}
