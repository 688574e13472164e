#include "wire/TlsContext.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

namespace {

[[noreturn]] void Fail(const std::string& reason) {
  throw ETlsSettingsError(reason);
}

const char* NullIfEmpty(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

// The TLS 1.3 suites of a cipher list ("TLS_AES_128_GCM_SHA256"), and the ciphers of the
// versions before it, each joined by ':'.
std::pair<std::string, std::string> SplitCiphers(const std::string& list) {
  std::pair<std::string, std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    const std::string name = list.substr(start, end - start);
    std::string& part = name.rfind("TLS_", 0) == 0 ? parts.first : parts.second;
    if (!name.empty()) part += (part.empty() ? "" : ":") + name;
    start = end + 1;
  }
  return parts;
}

void LoadAuthorities(SSL_CTX* context, const TSslSettings& settings) {
  // A CA file is read in every mode, so that a wrong one is noticed whether or not it is used.
  const bool ownAuthorities = !settings.Ca.empty() || !settings.CaPath.empty();
  if (!ownAuthorities && !VerifiesCertificate(settings.Mode)) return;
  if (!settings.Ca.empty() && IsFolder(settings.Ca))
    Fail("the CA file '" + settings.Ca + "' is a folder (a folder of authorities is given as ssl-capath)");
  const int loaded =
      ownAuthorities ? SSL_CTX_load_verify_locations(context, NullIfEmpty(settings.Ca), NullIfEmpty(settings.CaPath))
                     : SSL_CTX_set_default_verify_paths(context);
  if (loaded != 1) {
    const std::string what = settings.Ca.empty() ? "CA folder '" + settings.CaPath : "CA file '" + settings.Ca;
    Fail("cannot read the " + what + "': " + OpenSslReason());
  }
}

// The server's certificate and the authorities above it are each checked against the lists of
// their issuer; a certificate whose issuer has no list is refused too, as nothing says it stands.
void LoadRevocationLists(SSL_CTX* context, const TSslSettings& settings) {
  if (settings.Crl.empty() && settings.CrlPath.empty()) return;
  X509_STORE* store = SSL_CTX_get_cert_store(context);
  if (!settings.Crl.empty()) {
    if (IsFolder(settings.Crl))
      Fail("the revocation list file '" + settings.Crl +
           "' is a folder (a folder of revocation lists is given as ssl-crlpath)");
    X509_LOOKUP* file = X509_STORE_add_lookup(store, X509_LOOKUP_file());
    if (!file || X509_load_crl_file(file, settings.Crl.c_str(), X509_FILETYPE_PEM) < 1)
      Fail("cannot read the revocation list file '" + settings.Crl + "': " + OpenSslReason());
  }
  if (!settings.CrlPath.empty()) {
    // Its lists are read when a certificate asks for its issuer's.
    X509_LOOKUP* folder = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    if (!folder || X509_LOOKUP_add_dir(folder, settings.CrlPath.c_str(), X509_FILETYPE_PEM) != 1)
      Fail("cannot read the revocation list folder '" + settings.CrlPath + "': " + OpenSslReason());
  }
  X509_STORE_set_flags(store, X509_V_FLAG_CRL_CHECK | X509_V_FLAG_CRL_CHECK_ALL);
}

void LimitCiphers(SSL_CTX* context, const std::string& list) {
  // A list of older ciphers only leaves TLS 1.3 its own suites, as the database's clients do.
  const auto [suites, ciphers] = SplitCiphers(list);
  if ((!suites.empty() && SSL_CTX_set_ciphersuites(context, suites.c_str()) != 1) ||
      (!ciphers.empty() && SSL_CTX_set_cipher_list(context, ciphers.c_str()) != 1) ||
      (suites.empty() && ciphers.empty()))
    Fail("cannot use the cipher list '" + list + "': " + OpenSslReason());
}

// The key is read here rather than by the context, so that a key locked by a pass phrase (which
// is never asked for: the window has no terminal) is told apart from a file that holds no key.
// False when it does not go with the certificate already in the context.
bool UseKey(SSL_CTX* context, const std::string& path) {
  std::unique_ptr<BIO, decltype(&BIO_free)> file(BIO_new_file(path.c_str(), "r"), BIO_free);
  if (!file) Fail("cannot read the key file '" + path + "': " + OpenSslReason());
  bool askedForPassPhrase = false;
  auto refusePassPhrase = [](char*, int, int, void* asked) {
    *static_cast<bool*>(asked) = true;
    return -1;
  };
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(file.get(), nullptr, refusePassPhrase, &askedForPassPhrase), EVP_PKEY_free);
  if (!key && askedForPassPhrase)
    Fail("the key file '" + path + "' is protected by a pass phrase, which is not supported");
  if (!key) Fail("the key file '" + path + "' holds no private key in PEM form: " + OpenSslReason());
  return SSL_CTX_use_PrivateKey(context, key.get()) == 1;
}

void UseCertificate(SSL_CTX* context, const TSslSettings& settings) {
  if (settings.Cert.empty()) {
    if (!settings.Key.empty()) Fail("a key file needs a certificate file");
    return;
  }
  if (SSL_CTX_use_certificate_chain_file(context, settings.Cert.c_str()) != 1)
    Fail("cannot read the certificate file '" + settings.Cert + "': " + OpenSslReason());
  const std::string& key = settings.Key.empty() ? settings.Cert : settings.Key;
  if (!UseKey(context, key) || SSL_CTX_check_private_key(context) != 1)
    Fail("the key in '" + key + "' does not belong to the certificate in '" + settings.Cert + "'");
}

}  // namespace

std::string OpenSslReason() {
  const unsigned long code = ERR_get_error();
  if (code == 0) return "unknown TLS error";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

void TTlsContextFree::operator()(ssl_ctx_st* context) const {
  SSL_CTX_free(context);
}

TTlsContext CreateTlsContext(const TSslSettings& settings) {
  ERR_clear_error();
  TTlsContext context(SSL_CTX_new(TLS_client_method()));
  if (!context) Fail(OpenSslReason());
  SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
  // A result set arrives as a stream of full records: reading ahead takes several of them per
  // system call instead of a header and a body each. WaitForData asks for bytes held either way.
  SSL_CTX_set_read_ahead(context.get(), 1);
  SSL_CTX_set_default_read_buffer_len(context.get(), 64 * 1024);
  if (VerifiesCertificate(settings.Mode)) SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
  LoadAuthorities(context.get(), settings);
  LoadRevocationLists(context.get(), settings);
  if (!settings.Cipher.empty()) LimitCiphers(context.get(), settings.Cipher);
  UseCertificate(context.get(), settings);
  return context;
}
