#pragma once
// Paper size codes: the classic DMPAPER numbers the panel names its papers
// by, and the way from Qt's paper ids to them.
#include <cstdint>

namespace platform {

// Standard paper size codes (the classic DMPAPER numbers).
enum PaperCode : int16_t {
    kPaperLetter = 1, kPaperLetterSmall = 2, kPaperTabloid = 3, kPaperLedger = 4, kPaperLegal = 5,
    kPaperStatement = 6, kPaperExecutive = 7, kPaperA3 = 8, kPaperA4 = 9, kPaperA4Small = 10,
    kPaperA5 = 11, kPaperB4 = 12, kPaperB5 = 13, kPaperFolio = 14, kPaperQuarto = 15,
    kPaper10x14 = 16, kPaper11x17 = 17, kPaperNote = 18, kPaperEnv9 = 19, kPaperEnv10 = 20,
    kPaperEnv11 = 21, kPaperEnv12 = 22, kPaperEnv14 = 23, kPaperCSheet = 24, kPaperDSheet = 25,
    kPaperESheet = 26, kPaperEnvDL = 27, kPaperEnvC5 = 28, kPaperEnvC3 = 29, kPaperEnvC4 = 30,
    kPaperEnvC6 = 31, kPaperEnvC65 = 32, kPaperEnvB4 = 33, kPaperEnvB5 = 34, kPaperEnvB6 = 35,
    kPaperEnvItaly = 36, kPaperEnvMonarch = 37, kPaperEnvPersonal = 38, kPaperUser = 256,
};

// The DMPAPER code of a Qt page size id (QPageSize::PageSizeId); kPaperUser
// when it has none.
int16_t PaperCodeOf(int qtPageSizeId);

}  // namespace platform
