#include "native_messaging.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A readable stream holding exactly `bytes`.
File streamOf(const std::string& bytes) {
  File file(std::tmpfile());
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

std::string frameOf(const std::string& payload) { return encodeFrame(payload); }

}  // namespace

TEST(RequestWord, OnlyLettersAndDigitsMayReachTheInterpreter) {
  EXPECT_TRUE(isSafeRequestWord("machineId"));
  EXPECT_TRUE(isSafeRequestWord("sessionStatus"));
  EXPECT_TRUE(isSafeRequestWord("extensionInfo"));
  EXPECT_TRUE(isSafeRequestWord("xsessionStatusx2"));
  EXPECT_FALSE(isSafeRequestWord(""));
  for (const char* word : {"machineId & del x", "a|b", "a\"b", "%PATH%", "a^b", "a<b", "a>b", "a b", "a\nb", "a\rb",
                           "a\tb", "--x", "a.b", "a/b", "a\\b"}) {
    EXPECT_FALSE(isSafeRequestWord(word)) << word;
  }
  EXPECT_FALSE(isSafeRequestWord("\xc3\xa9t\xc3\xa9"));
  EXPECT_FALSE(isSafeRequestWord(std::string("ab\0cd", 5)));
}

TEST(StripLineBreaks, RemovesEveryCarriageReturnAndLineFeed) {
  std::string text = "\r\na\rb\nc\r\n\r\nd\n";
  stripLineBreaks(text);
  EXPECT_EQ(text, "abcd");
  std::string none = "plain text";
  stripLineBreaks(none);
  EXPECT_EQ(none, "plain text");
}

TEST(ReplyPayload, FormDependsOnTheRequestWord) {
  EXPECT_EQ(buildReplyPayload("machineId", "abc"), "{\"machineId\":\"abc\"}");
  EXPECT_EQ(buildReplyPayload("sessionStatus", "on"), "{\"sessionStatus\":\"on\"}");
  EXPECT_EQ(buildReplyPayload("xsessionStatusx", "on"), "{\"sessionStatus\":\"on\"}");
  EXPECT_EQ(buildReplyPayload("extensionInfo", "{\"v\":1}"), "{\"v\":1}");
  EXPECT_EQ(buildReplyPayload("ExtensionInfo", "x"), "{\"machineId\":\"x\"}");
  EXPECT_EQ(buildReplyPayload("unknown", "x"), "{\"machineId\":\"x\"}");
  // Both string forms carry the output as valid string content; the
  // extension information is the output itself.
  EXPECT_EQ(buildReplyPayload("machineId", "a\"b\\c\t"), "{\"machineId\":\"a\\\"b\\\\c\\u0009\"}");
  EXPECT_EQ(buildReplyPayload("xsessionStatusx", "C:\\Users\\A \"B\""),
            "{\"sessionStatus\":\"C:\\\\Users\\\\A \\\"B\\\"\"}");
  EXPECT_EQ(buildReplyPayload("extensionInfo", "a\"b\\c\t"), "a\"b\\c\t");
  EXPECT_EQ(buildReplyPayload("machineId", "").size(), 16u);
  EXPECT_EQ(buildReplyPayload("sessionStatus", "").size(), 20u);
  EXPECT_EQ(buildReplyPayload("extensionInfo", ""), "");
}

TEST(JsonStringContent, ValidTextStaysByteForByte) {
  for (const char* valid :
       {"", "plain text, 2 viewers", "caf\xc3\xa9 \xf0\x9f\x98\x80", "\\\" \\\\ \\/ \\b \\f \\n \\r \\t",
        "\\u00e9\\u00E9\\ud83d\\ude00", "C:\\\\Program Files\\\\Q", "\x7f"}) {
    EXPECT_EQ(jsonStringContent(valid), valid) << valid;
  }
}

TEST(JsonStringContent, InvalidPartsAreEscaped) {
  EXPECT_EQ(jsonStringContent("say \"hi\""), "say \\\"hi\\\"");
  EXPECT_EQ(jsonStringContent("C:\\Users\\ann"), "C:\\\\Users\\\\ann");
  EXPECT_EQ(jsonStringContent("a\tb\x01\x1f"), "a\\u0009b\\u0001\\u001f");
  // Backslashes that start no complete escape, at the end included.
  EXPECT_EQ(jsonStringContent("\\x \\u12 \\u12g4 \\U0041 \\"), "\\\\x \\\\u12 \\\\u12g4 \\\\U0041 \\\\");
  EXPECT_EQ(jsonStringContent("end\\u00e"), "end\\\\u00e");
  // Written on purpose and kept, beside what is mended.
  EXPECT_EQ(jsonStringContent("\\\"a\\\" \"b\" \\\\\\"), "\\\"a\\\" \\\"b\\\" \\\\\\\\");
  // A path part that reads as an escape is taken as that escape.
  EXPECT_EQ(jsonStringContent("C:\\temp"), "C:\\temp");
}

TEST(Utf8Output, ValidUtf8StaysOtherOutputIsReadInTheCodePage) {
  const std::string valid = "caf\xC3\xA9 \xF0\x9F\x99\x82";
  EXPECT_EQ(utf8Output(valid, 1252), valid);
  EXPECT_EQ(utf8Output("Jos\xE9 M\xFCller", 1252), "Jos\xC3\xA9 M\xC3\xBCller");
  // Bytes that are no character of the code page: a stray byte, an overlong
  // form and an encoded surrogate in UTF-8; a Shift-JIS lead byte at the end.
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(utf8Output("a\xFF"
                       "b\xC0\xAF\xED\xA0\x80",
                       65001),
            "a" + replacement + "b" + replacement + replacement + replacement + replacement + replacement);
  EXPECT_EQ(utf8Output("\x82\xA0\x82", 932), "\xE3\x81\x82" + replacement);
}

TEST(Frame, LengthIsLittleEndianBeforeThePayload) {
  EXPECT_EQ(encodeFrame(""), std::string("\0\0\0\0", 4));
  EXPECT_EQ(encodeFrame("{\"machineId\":\"abc\"}"), std::string("\x13\0\0\0", 4) + "{\"machineId\":\"abc\"}");
  std::string big(0x10203, 'x');
  std::string frame = encodeFrame(big);
  ASSERT_EQ(frame.size(), big.size() + 4);
  EXPECT_EQ(frame.substr(0, 4), std::string("\x03\x02\x01\x00", 4));
}

TEST(ReadFrame, KeepsTheBytesBetweenTheFirstAndTheLast) {
  std::string text;
  appendFrameText(streamOf(frameOf("\"sessionStatus\"")).get(), text);
  EXPECT_EQ(text, "sessionStatus");

  for (const char* tiny : {"", "x", "\"\""}) {
    std::string empty;
    File in = streamOf(frameOf(tiny) + "after");
    appendFrameText(in.get(), empty);
    EXPECT_EQ(empty, "") << '"' << tiny << '"';
    // The frame ends where its length says; what follows is left unread.
    EXPECT_EQ(std::fgetc(in.get()), 'a');
  }

  std::string binary;
  appendFrameText(streamOf(frameOf(std::string("[\xff\0\x80]", 5))).get(), binary);
  EXPECT_EQ(binary, std::string("\xff\0\x80", 3));
}

TEST(ReadFrame, AppendsToTextAlreadyCollected) {
  std::string text = "first";
  appendFrameText(streamOf(frameOf("\"second\"")).get(), text);
  EXPECT_EQ(text, "firstsecond");
}

TEST(ReadFrame, InputEndingInsideTheFrameKeepsWhatArrived) {
  std::string text;
  appendFrameText(streamOf(std::string("\x20\0\0\0\"machi", 10)).get(), text);
  EXPECT_EQ(text, "machi");

  std::string huge;
  appendFrameText(streamOf(std::string("\xff\xff\xff\x7f\"abc\"", 9)).get(), huge);
  EXPECT_EQ(huge, "abc\"");

  for (const std::string& partialLength : {std::string(), std::string("\x05"), std::string("\x05\0\0", 3)}) {
    std::string none;
    appendFrameText(streamOf(partialLength).get(), none);
    EXPECT_EQ(none, "");
  }
}

TEST(RunCommand, ReturnsTheWholeOutputInTextMode) {
  EXPECT_EQ(runCommand("echo one& echo two"), "one\ntwo\n");
  EXPECT_EQ(runCommand("rem"), "");
  // A program that does not exist is no error: its complaint goes to the
  // interpreter's standard error, which is not captured.
  EXPECT_EQ(runCommand("NoSuchProgramAnywhere.exe --machineId"), "");
}

TEST(RunCommand, LinesLongerThanOneChunkArriveWhole) {
  std::string line(300, 'q');
  EXPECT_EQ(runCommand("echo " + line), line + "\n");
}
