#include "examples/example_sets.h"

namespace quble {

namespace {
const std::string kEx1Picture = "Examples/1a_15-Deoxygoyazensolide (Example 1a)/Ex1.emf";
}

const std::vector<ExampleSet>& ExampleSets() {
    static const std::vector<ExampleSet> sets = {
        {"mnuEx1H3", "Example 1/H3'b", "mnuEx1H3_Click", "15-Deoxygoyazensolide (Example 1/H3'b)",
         {{"H3'b", "2772.18", {"1.6", "1.6", "1.6", "1.6"}}}, "1", ExampleShape::StartUp, 0, kEx1Picture},
        {"mnuEx1H", "Example 1/H5+H3'a", "mnuEx1H_Click", "15-Deoxygoyazensolide (Example 1/H5+H3'a)",
         {{"H5", "3000.2", {"3.1", "1.7", "1.7", "1.7"}}, {"H3'a", "3005.8", {"1.4", "1.1", "1.1", "1.1"}}},
         "1", ExampleShape::Mixed, 0, kEx1Picture},
        {"mnuEx1H6", "Example 1/H6", "mnuEx1H6_Click", "15-Deoxygoyazensolide (Example 1/H6)",
         {{"H6", "2630.72", {"5.0", "3.0", "2.2", "2.2", "2.2"}}}, "1.5", ExampleShape::StartUp, 0, kEx1Picture},
        {"mnuEx1", "Example 1/H7", "mnuEx1_Click", "15-Deoxygoyazensolide (Example 1/H7)",
         {{"H7", "1869.25", {"5.0", "3.1", "2.9", "2.8", "0.7", "0.5"}}}, "1", ExampleShape::StartUp, 0, kEx1Picture},
        {"mnuEx1H8", "Example 1/H8", "mnuEx1H8_Click", "15-Deoxygoyazensolide (Example 1/H8)",
         {{"H8", "2272.91", {"11.5", "2.9", "2.0", "0.6"}}}, "1", ExampleShape::Mixed, 0, kEx1Picture},
        {"mnuEx2", "Example 2", "mnuEx2_Click", "bqw75a (Example 2)",
         {{"He", "1248.7", {"6.5", "6.2", "6.0", "2.5", "2.3", "2.0"}}}, "1", ExampleShape::Lorentzian, 0,
         "Examples/2_bqw75a (Example 2)/Ex2.emf"},
        {"mnuEx3", "Example 3", "mnuEx3_Click", "Alcohol RVALE-009 (Example 3)",
         {{"HA", "1581.3", {"9.8", "9.5", "3.0", "1.7", "0.7"}}}, "3.1", ExampleShape::MixedWithRatio, 62,
         "Examples/3_Alcohol RVALE-009 (Example 3)/Ex3.emf"},
        {"mnuEx4", "Example 4", "mnuEx4_Click", "Mesylate RVALE-011 (Example 4)",
         {{"HG", "1027.6", {"8.95", "6.9", "6.9", "3.4"}}}, "2.5", ExampleShape::MixedWithRatio, 50,
         "Examples/4_Mesylate RVALE-011 (Example 4)/Ex4.emf"},
        {"mnuEx5", "Example 5", "mnuEx5_Click", "Lactam RVALE-007 (Example 5)",
         {{"HG", "1834.6", {"9.9", "6.9", "1.85", "1.0"}}}, "2.0", ExampleShape::MixedWithRatio, 68,
         "Examples/5_Lactam RVALE-007 (Example 5)/Ex5.emf"},
    };
    return sets;
}

const ExampleSet* FindExample(const std::string& key) {
    for (const auto& s : ExampleSets()) {
        if (s.caption == key || s.menuName == key) return &s;
    }
    return nullptr;
}

std::string WithSeparator(const std::string& dotted, char decSep) {
    std::string s = dotted;
    for (char& c : s) if (c == '.') c = decSep;
    return s;
}

}  // namespace quble
