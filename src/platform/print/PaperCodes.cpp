#include "platform/print/PaperCodes.h"

#include <QPageSize>
#include <map>

namespace platform {

int16_t PaperCodeOf(int id) {
    static const std::map<int, int16_t> codes{
        {QPageSize::Letter, kPaperLetter}, {QPageSize::Tabloid, kPaperTabloid},
        {QPageSize::Ledger, kPaperLedger}, {QPageSize::Legal, kPaperLegal},
        {QPageSize::Statement, kPaperStatement}, {QPageSize::ExecutiveStandard, kPaperExecutive},
        {QPageSize::Executive, kPaperExecutive}, {QPageSize::A3, kPaperA3}, {QPageSize::A4, kPaperA4},
        {QPageSize::A5, kPaperA5}, {QPageSize::JisB4, kPaperB4}, {QPageSize::JisB5, kPaperB5},
        {QPageSize::Quarto, kPaperQuarto}, {QPageSize::Imperial10x14, kPaper10x14},
        {QPageSize::Envelope9, kPaperEnv9}, {QPageSize::Comm10E, kPaperEnv10},
        {QPageSize::Envelope11, kPaperEnv11}, {QPageSize::Envelope12, kPaperEnv12},
        {QPageSize::Envelope14, kPaperEnv14}, {QPageSize::AnsiC, kPaperCSheet},
        {QPageSize::AnsiD, kPaperDSheet}, {QPageSize::AnsiE, kPaperESheet},
        {QPageSize::DLE, kPaperEnvDL}, {QPageSize::C5E, kPaperEnvC5},
        {QPageSize::EnvelopeC3, kPaperEnvC3}, {QPageSize::EnvelopeC4, kPaperEnvC4},
        {QPageSize::EnvelopeC6, kPaperEnvC6}, {QPageSize::EnvelopeC65, kPaperEnvC65},
        {QPageSize::EnvelopeB4, kPaperEnvB4}, {QPageSize::EnvelopeB5, kPaperEnvB5},
        {QPageSize::EnvelopeB6, kPaperEnvB6}, {QPageSize::EnvelopeItalian, kPaperEnvItaly},
        {QPageSize::EnvelopeMonarch, kPaperEnvMonarch}, {QPageSize::EnvelopePersonal, kPaperEnvPersonal},
        {QPageSize::B4, 42 /* ISO B4 */}, {QPageSize::A2, 66}, {QPageSize::A6, 70},
        {QPageSize::JisB6, 88}};
    const auto it = codes.find(id);
    return it == codes.end() ? int16_t(kPaperUser) : it->second;
}

}  // namespace platform
