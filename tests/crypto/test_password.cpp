// The enciphered buffer families, the encrypted connect-string form and the
// stored texts.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "crypto/password.h"
#include "crypto/storedtexts.h"
#include "support/process.h"

namespace {

// The user= field as the option parser leaves it: 132 bytes, zero-filled.
struct Username {
  text bytes[132] = {};
  explicit Username(const std::string &s) { memcpy(bytes, s.data(), std::min(s.size(), sizeof bytes - 1)); }
  std::string str() const { return reinterpret_cast<const char *>(bytes); }
};

// What fn prints to standard output.
template <typename Fn>
std::string captureStdout(Fn fn) {
  fflush(stdout);
  std::string path = testsupport::makeTempDir("q2pwd") / "out";
  FILE *tmp = fopen(path.c_str(), "w");
  int saved = dup(1);
  dup2(fileno(tmp), 1);
  fn();
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
  fclose(tmp);
  std::string out = testsupport::readFile(path);
  std::filesystem::remove_all(std::filesystem::path(path).parent_path());
  return out;
}

std::string formOf(const std::string &plain, int *result = nullptr) {
  Username u(plain);
  return captureStdout([&] {
    int r = encryptPassword(fileSink(stdout), "user=", u.bytes);
    if (result != nullptr) *result = r;
  });
}

// The printed form as a user= value: prompt dropped, lines joined.
std::string joined(std::string form) {
  form = form.substr(5);
  std::erase(form, '\n');
  return form;
}

std::string decrypted(const std::string &value) {
  Username u(value);
  autoDecryptPassword(u.bytes);
  return u.str();
}

struct Family {
  const char *name;
  int size;
  void (*encrypt)(ub1 *);
};
const Family FAMILIES[] = {
    {"password", PASSWORD_BUFSIZE, korvex_encrypt_password},
    {"sqlstmt", SQLSTMT_BUFSIZE, korvex_encrypt_sqlstmt},
    {"longsql", LONGSQL_BUFSIZE, korvex_encrypt_longsql},
};

TEST(BufferFamilies, BlocksAreEncipheredAloneWithKeysByParity) {
  for (const Family &f : FAMILIES) {
    std::vector<ub1> buf(static_cast<size_t>(f.size), 0);
    for (int i = 0; i < 24; i++) buf[static_cast<size_t>(i)] = "same8byt"[i % 8];
    f.encrypt(buf.data());
    EXPECT_EQ(0, memcmp(&buf[0], &buf[16], 8)) << f.name << ": blocks 0 and 2";
    EXPECT_NE(0, memcmp(&buf[0], &buf[8], 8)) << f.name << ": blocks 0 and 1";
  }
  // The password family swaps the keys of the other two.
  ub1 pwd[PASSWORD_BUFSIZE] = {}, stmt[SQLSTMT_BUFSIZE] = {};
  korvex_encrypt_password(pwd);
  korvex_encrypt_sqlstmt(stmt);
  EXPECT_EQ(0, memcmp(pwd, stmt + 8, 8));
  EXPECT_EQ(0, memcmp(pwd + 8, stmt, 8));
}

// Two hex digits a byte, in lines of 64; over 64 bytes the form is refused.
TEST(EncryptPassword, LinesAndDigits) {
  struct Case {
    size_t length;
    std::vector<size_t> digitsPerLine;  // after the prompt; none: refused
  };
  const Case cases[] = {
      {0, {0}}, {1, {16}}, {8, {16}}, {16, {32}}, {17, {48}}, {32, {64}}, {33, {64, 16}}, {40, {64, 16}},
      {64, {64, 64}}, {65, {}}, {100, {}}, {131, {}},
  };
  for (const Case &c : cases) {
    std::string plain;
    for (size_t i = 0; i < c.length; i++) plain += "scott/tiger@orcl"[i % 16];
    int result = -2;
    std::string form = formOf(plain, &result);
    if (c.digitsPerLine.empty()) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(form, "");  // the refusal goes to standard error
      continue;
    }
    EXPECT_EQ(result, 0);
    ASSERT_EQ(form.substr(0, 5), "user=") << c.length;
    std::vector<size_t> lines;
    for (size_t at = 5, nl; (nl = form.find('\n', at)) != std::string::npos; at = nl + 1) lines.push_back(nl - at);
    EXPECT_EQ(lines, c.digitsPerLine) << c.length << ": " << form;
    EXPECT_EQ(form.find_first_not_of("0123456789abcdef\n", 5), std::string::npos) << form;
  }
}

TEST(EncryptPassword, BytesBehindTheTextStayOut) {
  Username clean("scott/tiger"), dirty("scott/tiger");
  memcpy(dirty.bytes + 12, "oldsecret", 9);  // a former, longer value
  auto print = [](Username &u) { return captureStdout([&] { encryptPassword(fileSink(stdout), "", u.bytes); }); };
  EXPECT_EQ(print(clean), print(dirty));
}

TEST(AutoDecryptPassword, RestoresPrintedForms) {
  for (const std::string &plain : std::vector<std::string>{"s", "scott/tiger", "scott/tiger@orcl", "scott/tiger@//db.example.com:1521/orcl",
                            std::string(64, 'x'), "\"Mixed Case\"/\"p@ss w0rd\"@host:1521:sid"}) {
    std::string form = joined(formOf(plain));
    EXPECT_EQ(decrypted(form), plain);
    std::string upper = form;
    for (char &c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(decrypted(upper), plain);
  }
}

TEST(AutoDecryptPassword, LeavesPlainStringsAlone) {
  for (const std::string &plain : std::vector<std::string>{"", "/", "scott/tiger", "a@b", "abcdefg", "0123456789ABCDEFG", "deadbeef ",
                            "cafe-babe", "1234\t"}) {
    EXPECT_EQ(decrypted(plain), plain);
  }
}

TEST(AutoDecryptPassword, AnyHexTextIsTakenForAForm) {
  // An odd digit count and forms longer than the 64 bytes the password
  // buffer covers decrypt to something, terminated at half the digit count.
  for (size_t digits : {1, 3, 17, 128, 129, 131}) {
    std::string value(digits, 'a');
    Username u(value);
    autoDecryptPassword(u.bytes);
    EXPECT_LE(u.str().size(), digits / 2);
    for (size_t i = digits / 2; i < sizeof u.bytes; i++) ASSERT_EQ(u.bytes[i], 0) << digits << " at " << i;
  }
}

// The plain texts the enciphered arrays are generated from, in file order.
std::vector<std::string> plainTexts(const std::string &keyword) {
  std::istringstream in(testsupport::readFile(std::string(TEST_DATA_DIR) + "/../../tools/storedtexts.txt"));
  std::vector<std::string> texts;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(keyword + " ", 0) == 0) texts.push_back(line.substr(keyword.size() + 1));
  return texts;
}

// The arrays in the program decipher to exactly the texts of the source file
// (a text edited there without regenerating the arrays fails here), and only
// the enciphered form is in the program.
TEST(StoredTexts, DecipherToTheirSourceTexts) {
  const std::vector<std::string> templates = plainTexts("template"), banners = plainTexts("banner");
  ASSERT_EQ(templates.size(), static_cast<size_t>(QUERY_TEMPLATE_COUNT));
  ASSERT_EQ(banners.size(), 2u);
  for (int which = 1; which <= QUERY_TEMPLATE_COUNT; which++) {
    EXPECT_EQ(queryTemplate(which), templates[which - 1]) << which;
    std::string stored(reinterpret_cast<const char *>(storedQueryTemplates[which - 1]), LONGSQL_BUFSIZE);
    EXPECT_EQ(stored.find("SELECT"), std::string::npos) << which;
  }
  for (int which : {0, 5, -1}) EXPECT_STREQ(queryTemplate(which), "") << which;
  for (int which : {0, 1}) EXPECT_EQ(std::string(reinterpret_cast<const char *>(bannerLine(which))), banners[which]);
  std::string stored(reinterpret_cast<const char *>(storedBanners[0]), SQLSTMT_BUFSIZE);
  EXPECT_EQ(stored.find("QUILLET2"), std::string::npos);
}

}  // namespace
