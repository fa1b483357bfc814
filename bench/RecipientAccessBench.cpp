// Reading a mailing's recipients the way the send engine and the merge tags do, and the
// recipients list over them: 100,000 imported recipients read by index (first name, last name,
// address), the list refreshed with all of them and sorted by last name; and 10,000 address
// book people of the "All" group read by index with their primary address.
#include "MailingBenchSupport.h"

#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "ControlValues.h"
#include "DataBrowser.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

namespace {

constexpr int kImported = 100000;
constexpr int kCards = 10000;

CBrevantoWindow* WindowWithImportedRecipients()
{
    CBrevantoWindow* window = MailingBench::NewWindow();
    for (int index = 0; index < kImported; ++index) {
        const QByteArray number = QByteArray::number((index * 7919) % kImported);
        window->mImported.Append(Person(("Ann" + number).constData(), ("Lee" + number).constData(),
                                        ("person" + number + "@example.com").constData()));
    }
    window->mRecipientsTab = 2;
    window->ResetSendFlags(CBrevantoWindow::ERecipientSource::imported, kImported, window->mImportSendFlags, false);
    return window;
}

DataBrowser* RecipientsList(CBrevantoWindow* inWindow)
{
    return qobject_cast<DataBrowser*>(inWindow->Control(ControlRole::RecipientsList));
}

void BM_ImportedRecipientReadsByIndex(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithImportedRecipients();
    for (auto _ : ioState) {
        for (SInt32 index = 0; index < kImported; ++index) {
            benchmark::DoNotOptimize(window->GetRecipientFirstName(index));
            benchmark::DoNotOptimize(window->GetRecipientLastName(index));
            benchmark::DoNotOptimize(window->GetRecipientEmail(index));
        }
    }
    ioState.counters["recipients/s"] = benchmark::Counter(double(kImported) * double(ioState.iterations()),
                                                          benchmark::Counter::kIsRate);
    MailingBench::DeleteWindow(window);
}

void BM_RecipientsListRefresh(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithImportedRecipients();
    for (auto _ : ioState)
        window->RefreshRecipientsList();
    MailingBench::DeleteWindow(window);
}

void BM_RecipientsListSortByLastName(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithImportedRecipients();
    window->RefreshRecipientsList();
    DataBrowser* list = RecipientsList(window);
    for (auto _ : ioState) {
        ioState.PauseTiming();
        list->SetSortProperty('indx');
        ioState.ResumeTiming();
        list->SetSortProperty('lnme');
    }
    MailingBench::DeleteWindow(window);
}

void BM_AddressBookRecipientReadsByIndex(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    MailingBench::UsePrivateFolders();
    const QString folder = ContactsFolder::Path();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (int index = 0; index < kCards; ++index) {
        QFile card(folder + QStringLiteral("/p%1.vcf").arg(index));
        if (card.open(QIODevice::WriteOnly))
            card.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p-%1\r\nN:Lee%1;Ann%1;;;\r\nFN:Ann Lee\r\n"
                                      "EMAIL;TYPE=HOME:home%1@example.com\r\nEMAIL;TYPE=WORK,pref:work%1@example.com\r\n"
                                      "TEL;TYPE=CELL:555-%1\r\nEND:VCARD\r\n")
                           .arg(index)
                           .toUtf8());
    }
    ContactsStore::Shared().Reload();
    CBrevantoWindow* window = MailingBench::NewWindow();
    window->mRecipientsTab = 1;
    ControlRef groups = window->Control(ControlRole::GroupPopup);
    SetControl32BitValue(groups, CountPopupItems(groups)); // All
    SetControl32BitValue(window->Control(ControlRole::AddressTypePopup), 1); // primary
    window->ApplyGroupSelection();
    if (window->CountRecipients() != kCards)
        ioState.SkipWithError("the address book's people are not all there");
    for (auto _ : ioState) {
        for (SInt32 index = 0; index < kCards; ++index) {
            benchmark::DoNotOptimize(window->GetRecipientFirstName(index));
            benchmark::DoNotOptimize(window->GetRecipientLastName(index));
            benchmark::DoNotOptimize(window->GetRecipientEmail(index));
        }
    }
    ioState.counters["recipients/s"] = benchmark::Counter(double(kCards) * double(ioState.iterations()),
                                                          benchmark::Counter::kIsRate);
    MailingBench::DeleteWindow(window);
}

} // namespace

BENCHMARK(BM_ImportedRecipientReadsByIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecipientsListRefresh)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecipientsListSortByLastName)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AddressBookRecipientReadsByIndex)->Unit(benchmark::kMillisecond);
