// The form store: web forms the user filled in, remembered per site in FormURL (one row per form)
// and FormURLData (one row per field). Form capture writes them, auto-fill reads them back, and the
// setup menu switches the forms of a page on and off.
//
// A saved form is identified by its site and its field names alone: it matches a page form when
// every field name of the page form is among its stored names. Form names and actions are stored
// but never compared here; auto-fill checks the page address and action stored with the form it
// found before it writes anything (FillPolicy). Only active forms take part in matching.
//
// Nothing here catches: store errors reach the caller (capture, auto-fill, the menu command),
// which reports them. There is no transaction across statements.
#include "platform/text/Format.h"
#include "store/CBookmarkDatabase.h"

namespace {

// The text stored for a form without a name attribute; rows written earlier carry it too.
const wchar_t kUnnamedForm[] = L"NULL";

}  // namespace

std::wstring CBookmarkDatabase::SqlQuote(const std::wstring& text) { return L"'" + DoubleQuotes(text) + L"'"; }

bool CBookmarkDatabase::FindSavedForm(const std::wstring& site, const FormFieldMap& fields, std::int32_t& formId) {
  RequireConnection();
  // Two cursors: the field checks must not disturb the walk over the candidates.
  CADORecordset candidates(Connection().GetConnection());
  CADORecordset fieldCheck(Connection().GetConnection());
  candidates.Open(
      Format(L"select ID, FormName, [Action] from FormURL where [domain] = %s and Active = yes", SqlQuote(site)));
  while (!candidates.IsEOF()) {
    std::int32_t id = candidates.GetFieldInt(L"ID");
    if (FormContainsAllFields(fieldCheck, id, fields)) {
      candidates.Close();
      formId = id;
      return true;
    }
    candidates.MoveNext();
  }
  candidates.Close();
  return false;
}

bool CBookmarkDatabase::FormContainsAllFields(CADORecordset& recordset, std::int32_t formId,
                                              const FormFieldMap& fields) {
  // A page form without fields says nothing about which saved form it is.
  if (fields.empty()) return false;
  for (const auto& [name, value] : fields) {
    recordset.Close();
    recordset.Open(Format(L"select FormURLID, [name], [value] from FormURLData where FormURLID = %i and [name] = %s",
                          formId, SqlQuote(name)));
    if (recordset.IsEOF()) {
      recordset.Close();
      return false;
    }
  }
  recordset.Close();
  return true;
}

std::int32_t CBookmarkDatabase::SaveForm(const std::wstring& pageAddress, const std::wstring& formName,
                                         const std::wstring& site, const std::wstring& action,
                                         const FormFieldMap& fields) {
  RequireConnection();
  std::int32_t formId = 0;
  if (FindSavedForm(site, fields, formId)) {
    // The address, name and action first stored for the form stay as they were.
    Connection().Execute(Format(L"update FormURL set active = yes where ID = %i", formId));
    return formId;
  }
  Connection().Execute(
      Format(L"insert into FormURL(URL, FormName, active, [domain], [action]) values (%s, %s, yes, %s, %s)",
             SqlQuote(pageAddress), SqlQuote(formName.empty() ? kUnnamedForm : formName), SqlQuote(site),
             SqlQuote(action)));
  // The identity of the row just inserted: last_insert_rowid() belongs to this connection and
  // changes only with an insert on it; forms are captured on the user-interface thread, which
  // runs the insert and this query back to back.
  CADORecordset inserted(Connection().GetConnection());
  inserted.Open(L"select last_insert_rowid() as ID");
  formId = inserted.GetFieldInt(L"ID");
  inserted.Close();
  return formId;
}

bool CBookmarkDatabase::FormHasFields(std::int32_t formId) {
  RequireConnection();
  CADORecordset cursor(Connection().GetConnection());
  return cursor.HasRecords(Format(L"select ID from FormURLData where FormURLID = %i", formId));
}

void CBookmarkDatabase::DeleteFormFields(std::int32_t formId) {
  RequireConnection();
  Connection().Execute(Format(L"delete from FormURLData where FormURLID = %i", formId));
}

void CBookmarkDatabase::AddFormField(std::int32_t formId, const std::wstring& name, const std::wstring& value) {
  RequireConnection();
  Connection().Execute(Format(L"insert into FormURLData (FormURLID, Name, [Value]) values (%i, %s, %s)", formId,
                              SqlQuote(name), SqlQuote(value)));
}

bool CBookmarkDatabase::LoadSavedFields(const std::wstring& /*formName*/, const std::wstring& site,
                                        const std::wstring& /*action*/, const FormFieldMap& pageFields,
                                        FormFieldMap& output) {
  RequireConnection();
  std::int32_t formId = 0;
  if (!FindSavedForm(site, pageFields, formId)) return false;
  ReadSavedFields(formId, output);
  return true;
}

bool CBookmarkDatabase::LoadSavedForm(const std::wstring& site, const FormFieldMap& pageFields, SavedForm& output) {
  RequireConnection();
  output = {};
  std::int32_t formId = 0;
  if (!FindSavedForm(site, pageFields, formId)) return false;
  ReadSavedFields(formId, output.fields);
  CADORecordset cursor(Connection().GetConnection());
  cursor.Open(Format(L"select URL, [Action] from FormURL where ID = %i", formId));
  if (!cursor.IsEOF()) {
    output.pageAddress = cursor.GetFieldText(L"URL");
    output.action = cursor.GetFieldText(L"Action");
  }
  cursor.Close();
  return true;
}

void CBookmarkDatabase::ReadSavedFields(std::int32_t formId, FormFieldMap& output) {
  CADORecordset cursor(Connection().GetConnection());
  cursor.Open(Format(
      L"select fud.Name As [Name], fud.[Value] As [Value] from FormURL fu, FormURLData fud where fu.[ID] = %i and fu.ID = fud.FormURLID",
      formId));
  while (!cursor.IsEOF()) {
    // Both come back trimmed, a NULL as the empty text.
    std::wstring value = cursor.GetFieldText(L"Value");
    std::wstring name = cursor.GetFieldText(L"Name");
    output[name] = value;
    cursor.MoveNext();
  }
  cursor.Close();
}

void CBookmarkDatabase::ActivateFormsOfUrl(const std::wstring& pageAddress) {
  RequireConnection();
  Connection().Execute(Format(L"update FormURL set Active = yes where URL = %s", SqlQuote(pageAddress)));
}

void CBookmarkDatabase::DeactivateFormsOfUrl(const std::wstring& pageAddress) {
  RequireConnection();
  Connection().Execute(Format(L"update FormURL set Active = no where URL = %s", SqlQuote(pageAddress)));
}
