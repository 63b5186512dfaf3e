#include "discovery/SearchFindings.h"

#include "discovery/DiscoveryReply.h"

namespace {

template <typename T>
SearchFinding NotChecked(SearchCheck check, const platform::Reading<T>& reading) {
    SearchFinding finding;
    finding.check = check;
    finding.verdict = SearchVerdict::NotChecked;
    finding.reason = reading.whyNot;
    return finding;
}

SearchFinding Judged(SearchCheck check, bool wrong) {
    SearchFinding finding;
    finding.check = check;
    finding.verdict = wrong ? SearchVerdict::Wrong : SearchVerdict::Fine;
    return finding;
}

SearchFinding Cable(const platform::SearchSystemFacts& facts) {
    if (!facts.enabled.value)
        return NotChecked(SearchCheck::Cable, facts.enabled);
    if (!*facts.enabled.value) {
        SearchFinding finding = Judged(SearchCheck::Cable, true);
        finding.adapterDisabled = true;
        return finding;
    }
    if (!facts.carrier.value)
        return NotChecked(SearchCheck::Cable, facts.carrier);
    return Judged(SearchCheck::Cable, !*facts.carrier.value);
}

SearchFinding Kind(const platform::SearchSystemFacts& facts) {
    if (!facts.kind.value)
        return NotChecked(SearchCheck::AdapterKind, facts.kind);
    SearchFinding finding =
        Judged(SearchCheck::AdapterKind, *facts.kind.value != platform::AdapterKind::Wired);
    finding.kind = *facts.kind.value;
    finding.kindName = facts.kindName;
    return finding;
}

SearchFinding Port(const platform::SearchSystemFacts& facts) {
    if (!facts.portHolders.value)
        return NotChecked(SearchCheck::Port, facts.portHolders);
    const platform::PortHolders& read = *facts.portHolders.value;
    SearchFinding finding = Judged(SearchCheck::Port, !read.holders.empty());
    finding.holders = read.holders;
    finding.someHoldersHidden = read.someHidden;
    return finding;
}

SearchFinding Firewall(const platform::FirewallReading& firewall) {
    SearchFinding finding = firewall.drops.value
                                ? Judged(SearchCheck::Firewall, !firewall.drops.value->empty())
                                : NotChecked(SearchCheck::Firewall, firewall.drops);
    finding.source = firewall.name;
    if (firewall.drops.value)
        finding.drops = *firewall.drops.value;
    return finding;
}

// Strict filtering drops a reply whose source the PC would not route back out through
// the adapter it came in on: a hub of another subnet, when another adapter holds the
// default route. With one address there is no other way out, so it is no finding.
SearchFinding ReversePath(const platform::SearchSystemFacts& facts) {
    if (!facts.reversePathFilter.value)
        return NotChecked(SearchCheck::ReversePath, facts.reversePathFilter);
    if (*facts.reversePathFilter.value != 1)
        return Judged(SearchCheck::ReversePath, false);
    if (!facts.addressCount.value)
        return NotChecked(SearchCheck::ReversePath, facts.addressCount);
    SearchFinding finding = Judged(SearchCheck::ReversePath, *facts.addressCount.value > 1);
    finding.reversePathFilter = 1;
    finding.addressCount = *facts.addressCount.value;
    return finding;
}

} // namespace

std::vector<SearchFinding> JudgeEmptySearch(const platform::SearchSystemFacts& facts) {
    std::vector<SearchFinding> findings{Cable(facts), Kind(facts), Port(facts)};
    for (const platform::FirewallReading& firewall : facts.firewalls)
        findings.push_back(Firewall(firewall));
    findings.push_back(ReversePath(facts));
    return findings;
}

std::vector<SearchFinding> DiagnoseEmptySearch(const std::string& interfaceName,
                                               const std::string& address) {
    return JudgeEmptySearch(
        platform::MakeSearchDiagnosis()->Gather(interfaceName, address, DISCOVERY_PORT));
}
