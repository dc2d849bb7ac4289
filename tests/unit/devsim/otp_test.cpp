#include <gtest/gtest.h>

#include "tests/unit/devsim/device_harness.h"

using devsim_test::Harness;

TEST(DevsimOtp, WriteThreeFormsAndReadBack) {
    Harness h;
    EXPECT_EQ(h.Send("otp_factory_write 1 060504030201\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 11 \"pk with spaces\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 12 \"dn\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 13 \"ds\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 2 \"SN0001\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 15 0x1234abcd\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    const devsim::OtpValue* mac = h.device.Otp().Find(1);
    ASSERT_NE(mac, nullptr);
    EXPECT_EQ(mac->bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));  // the text is last byte first
    EXPECT_EQ(h.device.Otp().Find(15)->bytes, (std::vector<uint8_t>{0xcd, 0xab, 0x34, 0x12}));
    EXPECT_EQ(h.Send("otp_factory_read\r\n"),
              "FACTORY_CFG_ID_MAC:060504030201\r\n"
              "FACTORY_CFG_ID_SN:SN0001\r\n"
              "FACTORY_CFG_ID_ALIPAY_PK:pk with spaces\r\n"
              "FACTORY_CFG_ID_ALIPAY_DN:dn\r\n"
              "FACTORY_CFG_ID_ALIPAY_DS:ds\r\n"
              "FACTORY_CFG_ID_15:0x1234abcd\r\n"
              "OTP_FACTORY_READ_OVER\r\n");
}

TEST(DevsimOtp, ReadOfEmptyOtp) {
    Harness h;
    EXPECT_EQ(h.Send("otp_factory_read\r\n"), "OTP_FACTORY_READ_OVER\r\n");
}

TEST(DevsimOtp, OneTimeProgrammable) {
    Harness h;
    EXPECT_EQ(h.Send("otp_factory_write 8 \"ble\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 8 \"ble\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");  // same value again
    EXPECT_EQ(h.Send("otp_factory_write 8 \"other\"\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");
    EXPECT_EQ(h.device.Otp().Find(8)->bytes, (std::vector<uint8_t>{'b', 'l', 'e'}));
}

TEST(DevsimOtp, EveryKnownIdTakesItsFormOnly) {
    const std::string mac = "060504030201", text = "\"v\"", number = "0x7";
    struct Case {
        int id;
        std::string good;
        std::string bad;
    };
    const Case cases[] = {{1, mac, text},     {2, text, number},  {8, text, mac},     {11, text, number},
                          {12, text, number}, {13, text, number}, {14, text, mac},    {17, text, number},
                          {24, text, number}, {15, number, text}, {16, number, mac},  {22, number, text}};
    for (const Case& c : cases) {
        Harness h;
        const std::string write = "otp_factory_write " + std::to_string(c.id) + " ";
        EXPECT_EQ(h.Send(write + c.bad + "\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n") << c.id;
        EXPECT_EQ(h.Send(write + c.good + "\r\n"), "OTP_FACTORY_WRITE_PASS\r\n") << c.id;
    }
    Harness h;
    for (const char* unknown : {"3 \"v\"", "9 0x1", "23 060504030201", "254 \"v\""})
        EXPECT_EQ(h.Send("otp_factory_write " + std::string(unknown) + "\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n") << unknown;
}

TEST(DevsimOtp, MalformedWritesFail) {
    Harness h;
    EXPECT_EQ(h.Send("otp_factory_write 1 0605040302\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");     // 10 digits
    EXPECT_EQ(h.Send("otp_factory_write 1 \"text\"\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");      // MAC id, text
    EXPECT_EQ(h.Send("otp_factory_write 15 \"text\"\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");     // number id, text
    EXPECT_EQ(h.Send("otp_factory_write 2 \"open\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");        // no closing quote
    EXPECT_EQ(h.Send("otp_factory_write 2 \"" + std::string(251, 'x') + "\"\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");
    EXPECT_EQ(h.Send("otp_factory_write 2 \"" + std::string(250, 'x') + "\"\r\n"), "OTP_FACTORY_WRITE_PASS\r\n");
    EXPECT_EQ(h.Send("otp_factory_write\r\n"), "OTP_FACTORY_WRITE_FAIL\r\n");
    EXPECT_TRUE(h.device.Otp().Find(1) == nullptr);
}
