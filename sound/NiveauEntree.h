// The input level measured by the level window: the RMS of one captured
// block around its mean, in percent of a full-scale sine of 8-bit samples.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vestral {

constexpr int kTaille_bloc_niveau = 1122;  // 1102 measured samples plus 20
constexpr int kPremier_echantillon_mesure = 10;
constexpr int kEchantillons_mesures = 1102;

// Level in percent of samples 10..1111 of the block (counted from 0); a
// shorter block is measured on what it holds of that range.
double Niveau_bloc(std::span<const uint8_t> bloc);

// The level rounded to the nearest integer (halves to even), then " %".
std::string Texte_niveau(double niveau);

}  // namespace vestral
