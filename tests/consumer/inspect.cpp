// Uses the installed inspection library from C++: a record cut short is
// rejected with the offset, the part and the check, and JSON reads back.
#include <bioapi_data/bioapi_data.h>
#include <bioapi_data/inspect.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main() {
  namespace inspect = BioAPI_Data::inspect;
  const std::vector<unsigned char> record = BioAPI_Data::BIR().Encode();
  const std::vector<unsigned char> cut(record.begin(), record.end() - 1);
  const inspect::Check check = inspect::CheckRecord(cut);
  if (check.Accepted()) return 1;
  std::printf("%s\n", check.rejection->Describe().c_str());
  const bool rejected_as_expected =
      check.rejection->offset == 4 &&
      std::strcmp(check.rejection->field, "TotalLength") == 0;
  const inspect::RecordFields fields =
      inspect::FromJson(inspect::ToJson(inspect::FieldsOf(BioAPI_Data::BIR())));
  return rejected_as_expected && fields.bir.Encode() == record ? 0 : 1;
}
