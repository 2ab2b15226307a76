#include "notation/display/tuplet.h"

#include "model/meter.h"

#include <vector>

int DCctTuplet::GetBorrowedMeter(ECMeter* meter, ECMeter* result, int a, int b, int c, int d) {
    if (!meter || !result || d == 0 || c == 0 || meter->GetDenominator() == 0)
        return 0;
    // Double the borrowed base until whole units fit it; k remembers how often.
    int k = 1;
    while (b % c != 0) {
        k *= 2;
        b *= 2;
        if (b > 0xFFFF)   // a unit with an odd factor the base lacks never fits
            return 0;
    }
    b /= c;
    if (b == 0)
        return 0;
    const int numerator = meter->GetNumerator();
    const int plainUnits = a / (1024 / meter->GetDenominator());
    int count = 0;
    int denominator = 0;
    switch (meter->GetMeterType()) {
    case 3:
        count = b * meter->GetBeatsPerMeasure();
        denominator = 1024 / c * k;
        break;
    case 5:
        count = numerator * b;
        denominator = 1024 / c * plainUnits * k;
        break;
    default:
        count = numerator * b / k;
        denominator = 1024 / c * plainUnits;
        break;
    }
    const int stress = d == -1 ? b : d;
    if (stress <= 0 || stress > 255 || denominator <= 0 || denominator > 255)
        return 0;
    const std::vector<unsigned char> numerators(count / stress, static_cast<unsigned char>(stress));
    const std::vector<unsigned char> denominators{static_cast<unsigned char>(denominator)};
    return result->SetMeter(numerators, denominators, 1);
}
