// SPDX-License-Identifier: GPL-3.0-or-later
// Invented place names and surname parts; the first names are common given names.
#include "name_lists.h"

#include <array>

namespace rolvane::tool::names {

namespace {

using namespace std::string_view_literals;

// Letters that begin many surnames have several onsets, so the letter index sees a plausible mix.
constexpr std::array kOnsets = {
    "Ab"sv,  "Al"sv, "Ash"sv, "B"sv,  "Bl"sv, "Br"sv,  "C"sv,  "Ch"sv, "Cl"sv,  "Cr"sv,
    "D"sv,   "Dr"sv, "Ed"sv,  "F"sv,  "Fl"sv, "Fr"sv,  "G"sv,  "Gr"sv, "H"sv,   "Harr"sv,
    "Ing"sv, "J"sv,  "K"sv,   "Kn"sv, "L"sv,  "Mac"sv, "M"sv,  "N"sv,  "Ol"sv,  "P"sv,
    "Pr"sv,  "Qu"sv, "R"sv,   "Rh"sv, "S"sv,  "St"sv,  "Sh"sv, "T"sv,  "Thr"sv, "Tr"sv,
    "Und"sv, "V"sv,  "W"sv,   "Wh"sv, "X"sv,  "Y"sv,   "Z"sv,  "Sw"sv, "Hal"sv, "Carr"sv};
constexpr std::array kNuclei = {"ar"sv, "el"sv, "in"sv, "or"sv,  "an"sv,
                                "ol"sv, "er"sv, "ad"sv, "ock"sv, "um"sv};
constexpr std::array kEndings = {""sv,    "s"sv,    "son"sv,    "sen"sv,   "er"sv,   "ley"sv,
                                 "ton"sv, "wood"sv, "field"sv,  "ford"sv,  "ez"sv,   "ini"sv,
                                 "ova"sv, "ski"sv,  "berg"sv,   "stein"sv, "well"sv, "by"sv,
                                 "ham"sv, "ard"sv,  "ington"sv, "ridge"sv};
constexpr std::array kForeignOnsets = {"Ø"sv, "Å"sv, "Ö"sv, "É"sv, "Ç"sv, "Ł"sv};
constexpr std::array kParticles = {"van "sv, "van der "sv, "de "sv, "de la "sv,
                                   "von "sv, "di "sv,      "d'"sv,  "le "sv};
constexpr std::array kFirstNames = {
    "James"sv,     "Mary"sv,      "Robert"sv,   "Patricia"sv,  "John"sv,     "Jennifer"sv,
    "Michael"sv,   "Linda"sv,     "David"sv,    "Elizabeth"sv, "William"sv,  "Barbara"sv,
    "Richard"sv,   "Susan"sv,     "Joseph"sv,   "Jessica"sv,   "Thomas"sv,   "Sarah"sv,
    "Charles"sv,   "Karen"sv,     "Daniel"sv,   "Lisa"sv,      "Matthew"sv,  "Nancy"sv,
    "Anthony"sv,   "Betty"sv,     "Mark"sv,     "Sandra"sv,    "Paul"sv,     "Ashley"sv,
    "Steven"sv,    "Emily"sv,     "Andrew"sv,   "Donna"sv,     "Joshua"sv,   "Michelle"sv,
    "Kevin"sv,     "Carol"sv,     "Brian"sv,    "Amanda"sv,    "George"sv,   "Melissa"sv,
    "Timothy"sv,   "Deborah"sv,   "Ronald"sv,   "Stephanie"sv, "Jason"sv,    "Rebecca"sv,
    "Edward"sv,    "Laura"sv,     "Jeffrey"sv,  "Helen"sv,     "Ryan"sv,     "Sharon"sv,
    "Jacob"sv,     "Cynthia"sv,   "Gary"sv,     "Kathleen"sv,  "Nicholas"sv, "Amy"sv,
    "Eric"sv,      "Angela"sv,    "Jonathan"sv, "Anna"sv,      "Larry"sv,    "Ruth"sv,
    "Justin"sv,    "Brenda"sv,    "Scott"sv,    "Pamela"sv,    "Brandon"sv,  "Nicole"sv,
    "Benjamin"sv,  "Katherine"sv, "Samuel"sv,   "Virginia"sv,  "Gregory"sv,  "Catherine"sv,
    "Alexander"sv, "Christine"sv, "Patrick"sv,  "Samantha"sv,  "Frank"sv,    "Debra"sv,
    "Raymond"sv,   "Janet"sv,     "Jack"sv,     "Rachel"sv,    "Dennis"sv,   "Carolyn"sv,
    "Jerry"sv,     "Emma"sv,      "Tyler"sv,    "Maria"sv,     "Aaron"sv,    "Heather"sv,
    "Jose"sv,      "Diane"sv,     "Adam"sv,     "Julie"sv,     "Nathan"sv,   "Joyce"sv,
    "Henry"sv,     "Victoria"sv,  "Zachary"sv,  "Olivia"sv,    "Peter"sv,    "Grace"sv,
    "Kyle"sv,      "Hannah"sv,    "Noah"sv,     "Sofia"sv,     "Liam"sv,     "Aisha"sv,
    "Mateo"sv,     "Priya"sv,     "Kenji"sv,    "Ingrid"sv,    "Omar"sv,     "Fatima"sv,
    "Lars"sv,      "Yuki"sv,      "Diego"sv,    "Chloé"sv,     "Björn"sv,    "Zoë"sv,
    "Amara"sv,     "Wei"sv,       "Tariq"sv,    "Leila"sv,     "Rafael"sv,   "Nadia"sv,
    "Ivan"sv};
constexpr std::array kStreets = {
    "Alder"sv,     "Birch"sv,     "Cedar"sv,    "Dogwood"sv,   "Elm"sv,      "Fernhill"sv,
    "Glenmore"sv,  "Hawthorn"sv,  "Ironwood"sv, "Juniper"sv,   "Kestrel"sv,  "Larkspur"sv,
    "Millbrook"sv, "Northgate"sv, "Oakridge"sv, "Pinecrest"sv, "Quarry"sv,   "Rosewood"sv,
    "Sycamore"sv,  "Thornbury"sv, "Upland"sv,   "Valley"sv,    "Willow"sv,   "Yarrow"sv,
    "Amberley"sv,  "Brookside"sv, "Copper"sv,   "Dunmore"sv,   "Eastwick"sv, "Foxglove"sv};
constexpr std::array kStreetKinds = {"Street"sv, "Avenue"sv, "Road"sv, "Lane"sv,
                                     "Court"sv,  "Drive"sv,  "Way"sv,  "Place"sv};
constexpr std::array kCities = {
    "Ashford Falls"sv, "Brightwater"sv, "Cold Harbor"sv, "Dunmore Heights"sv, "Elk Crossing"sv,
    "Fairhaven"sv,     "Glen Arbor"sv,  "Harrowgate"sv,  "Iron Springs"sv,    "Juniper Flats"sv,
    "Kingsbridge"sv,   "Lakemont"sv,    "Millhaven"sv,   "New Bristol"sv,     "Oakhurst"sv,
    "Port Ellery"sv,   "Quillan"sv,     "Redstone"sv,    "Silver Bay"sv,      "Thornfield"sv,
    "Upper Marlow"sv,  "Vale Hollow"sv, "Westbrook"sv,   "Yarmouth Point"sv};
constexpr std::array kStates = {"AL"sv, "AZ"sv, "CA"sv, "CO"sv, "FL"sv, "GA"sv, "IL"sv, "MA"sv,
                                "MI"sv, "MN"sv, "NC"sv, "NY"sv, "OH"sv, "OR"sv, "TX"sv, "WA"sv};
constexpr std::array kBusinessKinds = {"Bakery"sv,  "Dental"sv,   "Plumbing"sv, "Towing"sv,
                                       "Florist"sv, "Hardware"sv, "Pharmacy"sv, "Auto Repair"sv};
constexpr std::array kComments = {"Met at the conference."sv,
                                  "Prefers e-mail."sv,
                                  "Call after 6 pm."sv,
                                  "Birthday in May."sv,
                                  "Old school friend.\nLives near the lake now."sv,
                                  "Owes me a book."sv,
                                  "Do not call on weekends."sv,
                                  "Neighbour; has a spare key."sv,
                                  "Moved abroad; new address pending."sv,
                                  "Works nights.\nText first."sv,
                                  "Recommended by the library."sv,
                                  "Tennis on Thursdays."sv};

} // namespace

std::span<const std::string_view> surnameOnsets() {
    return kOnsets;
}
std::span<const std::string_view> surnameNuclei() {
    return kNuclei;
}
std::span<const std::string_view> surnameEndings() {
    return kEndings;
}
std::span<const std::string_view> foreignOnsets() {
    return kForeignOnsets;
}
std::span<const std::string_view> particles() {
    return kParticles;
}
std::span<const std::string_view> firstNames() {
    return kFirstNames;
}
std::span<const std::string_view> streets() {
    return kStreets;
}
std::span<const std::string_view> streetKinds() {
    return kStreetKinds;
}
std::span<const std::string_view> cities() {
    return kCities;
}
std::span<const std::string_view> states() {
    return kStates;
}
std::span<const std::string_view> businessKinds() {
    return kBusinessKinds;
}
std::span<const std::string_view> comments() {
    return kComments;
}

} // namespace rolvane::tool::names
