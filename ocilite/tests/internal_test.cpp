// Internal NUMBER and DATE bytes: the encoder against known bytes and an
// independent decimal decoder, and SQLT_NUM / SQLT_DAT defines through OCI.
#include <cstring>
#include <string>
#include <vector>

#include "../src/internal.h"
#include "ocitest.h"

using namespace ocilite;

namespace {

using Bytes = std::vector<unsigned>;

Bytes encoded(std::string_view text) {
  uint8_t out[kNumberBytes];
  size_t n = 0;
  EXPECT_EQ(encodeNumberText(text, out, &n), NumberStatus::Ok) << text;
  return Bytes(out, out + n);
}

// Reference decoder: base-100 digits laid out as plain decimal text,
// "-" for negatives, no leading or trailing zeros, "0" for zero.
std::string decodeReference(const Bytes &b) {
  if (b.size() == 1 && b[0] == 0x80) return "0";
  const bool neg = b[0] < 0x80;
  const int exp = neg ? 62 - (int)b[0] : (int)b[0] - 193;
  std::string digits;
  for (size_t i = 1; i < b.size(); i++) {
    if (neg && b[i] == 102) break;
    int v = neg ? 101 - (int)b[i] : (int)b[i] - 1;
    digits += (char)('0' + v / 10);
    digits += (char)('0' + v % 10);
  }
  // value = 0.digits x 10^(2 * (exp + 1))
  int point = 2 * (exp + 1);
  std::string text;
  if (point <= 0) text = "0." + std::string((size_t)-point, '0') + digits;
  else if ((size_t)point >= digits.size()) text = digits + std::string((size_t)point - digits.size(), '0');
  else text = digits.substr(0, (size_t)point) + "." + digits.substr((size_t)point);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  size_t lead = 0;
  while (lead + 1 < text.size() && text[lead] == '0' && text[lead + 1] != '.') lead++;
  text = text.substr(lead);
  return neg ? "-" + text : text;
}

TEST(NumberBytes, RoundTripsThroughReference) {
  const char *values[] = {"7", "-7", "99", "101", "1234567890123456789", "-9223372036854775808",
                          "0.1", "-0.001", "3.14159", "1000000", "12345678.9", "0.000123",
                          "99999999999999999999999999999999999999", "-1.5", "1250.5"};
  for (const char *v : values) EXPECT_EQ(decodeReference(encoded(v)), v) << v;
}

TEST(NumberBytes, RangeEdgesAndRounding) {
  uint8_t out[kNumberBytes];
  size_t n = 0;
  EXPECT_EQ(encodeNumberText("1e126", out, &n), NumberStatus::Overflow);
  EXPECT_EQ(encodeNumberText("-1e126", out, &n), NumberStatus::Overflow);
  EXPECT_EQ(encodeNumberText("abc", out, &n), NumberStatus::NotANumber);
  EXPECT_EQ(encodeNumberText("1e", out, &n), NumberStatus::NotANumber);
  EXPECT_EQ(encoded("1e-131"), Bytes{0x80});  // below the smallest magnitude
  // 41 nines round up to 1e41; 40 digits stay exact.
  EXPECT_EQ(decodeReference(encoded(std::string(41, '9'))), "1" + std::string(41, '0'));
  EXPECT_EQ(decodeReference(encoded("1234567890123456789012345678901234567890")),
            "1234567890123456789012345678901234567890");
  EXPECT_EQ(encoded(std::string(40, '9')).size(), 21u);
  EXPECT_EQ(encoded("-" + std::string(40, '9')).size(), 21u);  // 20 digits: no terminator
}

TEST(NumberBytes, IntegersAndReals) {
  const struct {
    double v;
    int scale;
    std::string want;
  } reals[] = {{0.1, -1, "0.1"}, {1.07, 2, "1.07"}, {1.0700000000000001, -1, "1.07"}, {-2.5, 0, "-3"},
               {1234.565, 2, "1234.57"}, {1e-5, -1, "0.00001"}, {0.0, -1, "0"}, {1e100, -1, "1" + std::string(100, '0')}};
  for (const auto &c : reals) {
    uint8_t out[kNumberBytes];
    size_t n = 0;
    ASSERT_EQ(encodeNumberReal(c.v, c.scale, out, &n), NumberStatus::Ok);
    EXPECT_EQ(decodeReference(Bytes(out, out + n)), c.want) << c.v;
  }
  for (int64_t v : {INT64_MIN, INT64_MAX, (int64_t)0, (int64_t)-100, (int64_t)42}) {
    uint8_t out[kNumberBytes];
    size_t n = 0;
    ASSERT_EQ(encodeNumberInt(v, out, &n), NumberStatus::Ok);
    EXPECT_EQ(decodeReference(Bytes(out, out + n)), std::to_string(v));
  }
}

TEST(DateBytes, SevenBytes) {
  DateTime dt;
  ASSERT_TRUE(parseStoredDateTime("2024-02-29 13:05:59", &dt));
  uint8_t out[kDateBytes];
  encodeDate(dt, out);
  EXPECT_EQ(Bytes(out, out + 7), (Bytes{120, 124, 2, 29, 14, 6, 60}));
  ASSERT_TRUE(parseStoredDateTime("0001-01-01 00:00:00", &dt));
  encodeDate(dt, out);
  EXPECT_EQ(Bytes(out, out + 7), (Bytes{100, 101, 1, 1, 1, 1, 1}));
}

using InternalFetch = ocitest::LoggedOn;

TEST_F(InternalFetch, NumberAndDateDefines) {
  OCIStmt *st = s.query("SELECT 123.45, -1, NULL, TO_DATE('1999-12-31 23:59:58','YYYY-MM-DD HH24:MI:SS') FROM DUAL");
  ub1 num[3][22] = {}, date[7] = {};
  sb2 ind[4] = {};
  ub2 len[4] = {};
  OCIDefine *d = nullptr;
  for (int c = 0; c < 3; c++)
    ASSERT_EQ(OCIDefineByPos(st, &d, s.err, (ub4)c + 1, num[c], 22, SQLT_NUM, &ind[c], &len[c], nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
  ASSERT_EQ(OCIDefineByPos(st, &d, s.err, 4, date, 7, SQLT_DAT, &ind[3], &len[3], nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS) << s.error();
  EXPECT_EQ(Bytes(num[0], num[0] + len[0]), (Bytes{0xC2, 2, 24, 46}));
  EXPECT_EQ(Bytes(num[1], num[1] + len[1]), (Bytes{0x3E, 100, 102}));
  EXPECT_EQ(ind[2], -1);
  EXPECT_EQ(len[3], 7);
  EXPECT_EQ(Bytes(date, date + 7), (Bytes{119, 199, 12, 31, 24, 60, 59}));
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(InternalFetch, EveryDemoNumberAgreesWithItsText) {
  // Each NUMBER value of the demo table, fetched both ways, decodes to the
  // value its default text shows.
  const auto texts = ocitest::queryText(s, "SELECT SAL, COMM, EMPNO FROM EMP");
  OCIStmt *st = s.query("SELECT SAL, COMM, EMPNO FROM EMP");
  ub1 num[3][22];
  sb2 ind[3];
  ub2 len[3];
  OCIDefine *d = nullptr;
  for (int c = 0; c < 3; c++)
    OCIDefineByPos(st, &d, s.err, (ub4)c + 1, num[c], 22, SQLT_NUM, &ind[c], &len[c], nullptr, OCI_DEFAULT);
  size_t row = 0;
  while (OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS) {
    ASSERT_LT(row, texts.size());
    for (int c = 0; c < 3; c++) {
      std::string want = texts[row][(size_t)c];
      if (want == "<NULL>") {
        EXPECT_EQ(ind[c], -1);
        continue;
      }
      if (want[0] == '.') want = "0" + want;
      EXPECT_EQ(decodeReference(Bytes(num[c], num[c] + len[c])), want);
    }
    row++;
  }
  EXPECT_EQ(row, texts.size());
  EXPECT_GT(row, 0u);
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

// A long element: four bytes of length, then the value cut to the element.
TEST_F(InternalFetch, LongValuesCarryTheirLength) {
  const std::string hello = "SELECT 'hello, world' FROM DUAL", raw = "SELECT HEXTORAW('00FF10') FROM DUAL";
  struct Case {
    std::string sql;
    ub2 dty;
    sb4 size;
    sword status;
    std::string data;
    sb2 ind;
    ub2 rlen, rcode;
  } cases[] = {
      {hello, SQLT_LVC, 100, OCI_SUCCESS, "hello, world", 0, 16, 0},
      {hello, SQLT_LVC, 9, OCI_SUCCESS_WITH_INFO, "hello", 12, 9, 1406},
      {raw, SQLT_LVB, 64, OCI_SUCCESS, std::string("\x00\xff\x10", 3), 0, 7, 0},
      {raw, SQLT_LVC, 64, OCI_SUCCESS, "00FF10", 0, 10, 0},
      {"SELECT c_clob FROM alltypes WHERE id = 1", SQLT_LVC, 64, OCI_SUCCESS, "short clob", 0, 14, 0},
      {"SELECT c_blob FROM alltypes WHERE id = 1", SQLT_LVB, 64, OCI_SUCCESS, "\x01\x02\x03\x04\x05", 0, 9, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.sql + " as " + std::to_string(c.dty) + " in " + std::to_string(c.size));
    OCIStmt *st = s.query(c.sql);
    std::vector<ub1> buf((size_t)c.size);
    sb2 ind = 0;
    ub2 rlen = 0, rcode = 0;
    OCIDefine *d = nullptr;
    ASSERT_EQ(OCIDefineByPos(st, &d, s.err, 1, buf.data(), c.size, c.dty, &ind, &rlen, &rcode, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), c.status);
    if (c.status == OCI_SUCCESS_WITH_INFO) {
      EXPECT_NE(s.error().find("ORA-24345"), std::string::npos) << s.error();
    }
    ub4 prefix = 0;
    std::memcpy(&prefix, buf.data(), sizeof prefix);
    EXPECT_EQ(prefix, c.data.size());
    EXPECT_EQ(std::string((const char *)buf.data() + 4, std::min<size_t>(prefix, buf.size() - 4)), c.data);
    EXPECT_EQ((std::vector<int>{ind, rlen, rcode}), (std::vector<int>{c.ind, c.rlen, c.rcode}));
    OCIHandleFree(st, OCI_HTYPE_STMT);
  }
}

}  // namespace
