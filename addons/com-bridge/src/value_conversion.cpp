#include "value_conversion.h"

#include <string.h>

#include "com_object_wrapper.h"
#include "text.h"

namespace com_bridge {
namespace {

// Arrays inside arrays (or VARIANTs inside VARIANTs) deeper than this are
// refused going out and read as undefined coming back, so that a cyclic
// script array or a self-referencing VARIANT cannot exhaust the stack.
constexpr int kMaxNesting = 32;

// kHolder: the value is an _out holder given as a call's argument, left to
// the caller to pass by reference; nothing was converted.
enum class Conversion { kDone, kRejected, kThrew, kHolder };

// Where a value goes: a call's argument may be an _out holder, a value
// anywhere else (an array's element, a holder's value) may not.
enum class Place { kArgument, kValue };

// What a value that cannot cross is, for the TypeError.
struct Problem {
  const char* what = nullptr;
};

Conversion Reject(Problem* problem, const char* what) {
  problem->what = what;
  return Conversion::kRejected;
}

// The missing-argument value: servers treat it as an omitted optional
// parameter.
void SetMissing(VARIANT* target) {
  target->vt = VT_ERROR;
  target->scode = DISP_E_PARAMNOTFOUND;
}

// Some(true/false) or Nothing when script threw.
Nan::Maybe<bool> HasOutProperty(v8::Local<v8::Object> object) {
  return Nan::HasOwnProperty(object, Nan::New("_out").ToLocalChecked());
}

Conversion ToVariant(v8::Local<v8::Value> value, VARIANT* target, int depth, Problem* problem, Place place);

// The most VARIANTs one SAFEARRAY may hold here (FitsCom).
constexpr uint64_t kMaxArrayCells = 0x7FFFFFFF / sizeof(VARIANT);

// A script array as a SAFEARRAY of VARIANT, lower bounds 0: rows × columns
// when every element is an array of one length, else one dimension. The
// size is checked before anything is read or allocated, and elements are
// read as they are converted, nothing staged: the shape is found first (a
// table's rows are read twice, once for their lengths).
Conversion ArrayToVariant(v8::Local<v8::Array> array, VARIANT* target, int depth, Problem* problem) {
  if (depth >= kMaxNesting) return Reject(problem, "arrays nested too deeply");
  const uint32_t length = array->Length();
  if (!FitsCom(length)) return Reject(problem, "an array too large for COM");
  bool table = length > 0;
  uint32_t columns = 0;
  for (uint32_t i = 0; table && i < length; ++i) {
    Nan::HandleScope scope;
    v8::Local<v8::Value> element;
    if (!Nan::Get(array, i).ToLocal(&element)) return Conversion::kThrew;
    if (!element->IsArray()) {
      table = false;
    } else {
      uint32_t row_length = element.As<v8::Array>()->Length();
      if (i == 0) columns = row_length;
      table = row_length == columns;
    }
  }
  if (table && uint64_t{length} * columns > kMaxArrayCells) return Reject(problem, "an array too large for COM");

  SAFEARRAYBOUND bounds[2] = {{length, 0}, {columns, 0}};
  win::SafeArray result(SafeArrayCreate(VT_VARIANT, table ? 2 : 1, bounds));
  if (result.get() == nullptr) return Reject(problem, "an array too large for COM");
  {
    win::SafeArrayDataLock lock(result.get());
    if (!lock.locked()) return Reject(problem, "an array too large for COM");
    LONG index[2] = {0, 0};
    auto convert_into = [&](v8::Local<v8::Value> element) {
      void* cell = nullptr;
      if (FAILED(SafeArrayPtrOfIndex(result.get(), index, &cell))) return Reject(problem, "an array too large for COM");
      return ToVariant(element, static_cast<VARIANT*>(cell), depth + 1, problem, Place::kValue);
    };
    for (uint32_t i = 0; i < length; ++i) {
      Nan::HandleScope scope;
      index[0] = static_cast<LONG>(i);
      v8::Local<v8::Value> element;
      if (!Nan::Get(array, i).ToLocal(&element)) return Conversion::kThrew;
      if (!table) {
        Conversion outcome = convert_into(element);
        if (outcome != Conversion::kDone) return outcome;
        continue;
      }
      // A getter may have replaced the row since its length was read.
      if (!element->IsArray()) return Reject(problem, "an array that changed while it was converted");
      v8::Local<v8::Array> row = element.As<v8::Array>();
      for (uint32_t j = 0; j < columns; ++j) {
        Nan::HandleScope cell_scope;
        index[1] = static_cast<LONG>(j);
        v8::Local<v8::Value> value;
        if (!Nan::Get(row, j).ToLocal(&value)) return Conversion::kThrew;
        Conversion outcome = convert_into(value);
        if (outcome != Conversion::kDone) return outcome;
      }
    }
  }
  target->vt = VT_ARRAY | VT_VARIANT;
  target->parray = result.release();
  return Conversion::kDone;
}

// As a call's argument, any object with an own "_out" property is an _out
// holder, an array too; elsewhere an array is converted as such.
Conversion ObjectToVariant(v8::Local<v8::Object> object, VARIANT* target, int depth, Problem* problem, Place place) {
  const bool argument = place == Place::kArgument;
  if (!argument && object->IsArray()) return ArrayToVariant(object.As<v8::Array>(), target, depth, problem);
  bool holder = false;
  if (!HasOutProperty(object).To(&holder)) return Conversion::kThrew;
  if (holder) return argument ? Conversion::kHolder : Reject(problem, "an _out holder where only a value can go");
  if (object->IsArray()) return ArrayToVariant(object.As<v8::Array>(), target, depth, problem);
  if (ComObjectWrapper* wrapper = ComObjectOf(object)) {
    if (!wrapper->holder() || !wrapper->holder()->dispatch) return Reject(problem, "a released ComObject");
    target->vt = VT_DISPATCH;
    target->pdispVal = wrapper->holder()->dispatch.get();
    target->pdispVal->AddRef();
    return Conversion::kDone;
  }
  if (object->IsFunction()) return Reject(problem, "a function");
  return Reject(problem, "an object that is neither a ComObject, an _out holder nor an array");
}

// A string (and other primitives that are none of the kinds below, such as
// BigInts) by its text.
Conversion TextToVariant(v8::Local<v8::Value> value, VARIANT* target) {
  if (!NewBstrOf(value, &target->bstrVal)) return Conversion::kThrew;
  target->vt = VT_BSTR;
  return Conversion::kDone;
}

// By value: the conversion table's left column, and arrays. The common
// kinds come first: each test of a kind but the first three is a call into
// the engine.
Conversion ToVariant(v8::Local<v8::Value> value, VARIANT* target, int depth, Problem* problem, Place place) {
  if (value->IsUndefined()) {
    SetMissing(target);
  } else if (value->IsNull()) {
    target->vt = VT_NULL;
  } else if (value->IsString()) {
    return TextToVariant(value, target);
  } else if (value->IsInt32()) {
    target->vt = VT_I4;
    target->lVal = value.As<v8::Int32>()->Value();
  } else if (value->IsUint32()) {
    target->vt = VT_UI4;
    target->ulVal = value.As<v8::Uint32>()->Value();
  } else if (value->IsNumber()) {
    target->vt = VT_R8;
    target->dblVal = value.As<v8::Number>()->Value();
  } else if (value->IsDate()) {
    // The time value in milliseconds, unchanged: callers rely on it.
    target->vt = VT_DATE;
    target->date = value.As<v8::Date>()->ValueOf();
  } else if (value->IsBoolean()) {
    target->vt = VT_BOOL;
    target->boolVal = value.As<v8::Boolean>()->Value() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (value->IsSymbol()) {
    return Reject(problem, "a symbol");
  } else if (value->IsObject()) {
    return ObjectToVariant(value.As<v8::Object>(), target, depth, problem, place);
  } else {
    return TextToVariant(value, target);
  }
  return Conversion::kDone;
}

// Where a by-reference slot points for a cell holding this type.
void PointAtCell(VARIANT* slot, VARIANT* cell) {
  if (cell->vt == VT_NULL) {
    // A VARIANT cell: the server may put anything there.
    slot->vt = VT_VARIANT | VT_BYREF;
    slot->pvarVal = cell;
  } else {
    slot->vt = static_cast<VARTYPE>(cell->vt | VT_BYREF);
    slot->byref = &cell->lVal;  // the start of the value field, whatever its type
  }
}

int ElementSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;  // read as undefined
  }
}

// Where a conversion to script stands: how deeply nested, where the
// ComObjects it makes are noted, and why it was refused (null until then).
struct Reading {
  v8::Isolate* isolate;
  int depth;
  MadeObjects* made;
  const char** refusal;
  Reading deeper() const { return {isolate, depth + 1, made, refusal}; }
  bool refused() const { return *refusal != nullptr; }
};

// Stops the conversion: every caller up the way gives up as it sees it.
v8::Local<v8::Value> Refuse(const Reading& reading, const char* what) {
  *reading.refusal = what;
  return v8::Local<v8::Value>();
}

v8::Local<v8::Value> FromVariantAt(const VARIANT& value, const Reading& reading);

// One element, viewed in place as a VARIANT that owns nothing.
bool ReadElement(SAFEARRAY* array, LONG* index, VARTYPE type, const Reading& reading, v8::Local<v8::Value>* element) {
  void* cell = nullptr;
  if (FAILED(SafeArrayPtrOfIndex(array, index, &cell)) || cell == nullptr) return false;
  if (type == VT_VARIANT) {
    *element = FromVariantAt(*static_cast<VARIANT*>(cell), reading.deeper());
    return true;
  }
  VARIANT view;
  VariantInit(&view);
  view.vt = type;
  memcpy(&view.lVal, cell, static_cast<size_t>(ElementSize(type)));
  *element = FromVariantAt(view, reading.deeper());
  return true;
}

// The type of the elements. An array that records it is believed over the
// VARIANT's word (doubles in an array labelled VT_BSTR are doubles); one
// that does not is read by the word only for types that hold no pointer,
// and its elements are undefined otherwise.
VARTYPE ElementType(SAFEARRAY* array, VARTYPE labelled) {
  VARTYPE own = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(array, &own))) return own;
  switch (labelled) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
      return VT_EMPTY;
    default:
      return labelled;
  }
}

// A SAFEARRAY walked one dimension at a time, dimension 1 outermost; at most
// kMaxResultDimensions deep.
class ArrayReader {
 public:
  ArrayReader(SAFEARRAY* array, UINT dimensions, VARTYPE type, const Reading& reading)
      : array_(array), dimensions_(dimensions), type_(type), reading_(reading) {}

  // False when a bound cannot be read.
  bool ReadBounds() {
    for (UINT d = 0; d < dimensions_; ++d) {
      LONG low = 0, high = -1;
      if (FAILED(SafeArrayGetLBound(array_, d + 1, &low)) || FAILED(SafeArrayGetUBound(array_, d + 1, &high)))
        return false;
      lower_[d] = low;
      count_[d] = high >= low ? high - low + 1 : 0;
    }
    // Elements whose size does not fit the type are not read.
    readable_ = ElementSize(type_) != 0 && SafeArrayGetElemsize(array_) == static_cast<UINT>(ElementSize(type_));
    return true;
  }

  // Dimension d and those inside it, at the index fixed so far; empty when
  // the conversion was refused.
  v8::Local<v8::Value> Build(UINT d) {
    std::vector<v8::Local<v8::Value>> elements(static_cast<size_t>(count_[d]));
    bool holes = false;
    for (LONG k = 0; k < count_[d]; ++k) {
      index_[d] = lower_[d] + k;
      if (d + 1 < dimensions_) {
        elements[k] = Build(d + 1);
      } else if (!readable_) {
        elements[k] = Nan::Undefined();
      } else if (!ReadElement(array_, index_, type_, reading_, &elements[k])) {
        holes = true;  // an element that cannot be read leaves a hole
      }
      if (reading_.refused()) return v8::Local<v8::Value>();
    }
    if (!holes) return v8::Array::New(v8::Isolate::GetCurrent(), elements.data(), elements.size());
    // Own data properties: a setter on Array.prototype never sees them.
    v8::Local<v8::Context> context = Nan::GetCurrentContext();
    v8::Local<v8::Array> result = Nan::New<v8::Array>(static_cast<int>(count_[d]));
    for (size_t k = 0; k < elements.size(); ++k) {
      if (!elements[k].IsEmpty()) result->CreateDataProperty(context, static_cast<uint32_t>(k), elements[k]).Check();
    }
    return result;
  }

 private:
  SAFEARRAY* array_;
  UINT dimensions_;
  VARTYPE type_;
  Reading reading_;
  bool readable_ = false;
  LONG lower_[kMaxResultDimensions];
  LONG count_[kMaxResultDimensions];
  LONG index_[kMaxResultDimensions];
};

// Each dimension from its lower to its upper bound, dimension 1 outermost:
// one dimension gives a flat array, two an array of rows.
v8::Local<v8::Value> FromSafeArray(SAFEARRAY* array, VARTYPE labelled, const Reading& reading) {
  if (array == nullptr) return Nan::Undefined();
  UINT dimensions = SafeArrayGetDim(array);
  if (dimensions == 0) return Nan::New<v8::Array>();
  if (dimensions > kMaxResultDimensions) return Refuse(reading, "an array of more than 32 dimensions");
  ArrayReader reader(array, dimensions, ElementType(array, labelled), reading);
  if (!reader.ReadBounds()) return Nan::Undefined();
  win::SafeArrayDataLock lock(array);
  if (!lock.locked()) return Nan::Undefined();
  return reader.Build(0);
}

template <typename T>
T Value(const VARIANT& value, T by_value, T* by_reference) {
  return (value.vt & VT_BYREF) ? *by_reference : by_value;
}

// Numbers, booleans and null are made with the engine's own calls, on the
// conversion's isolate (Nan::New converts an integer it made once more,
// through ToInt32 in a handle scope of its own).
v8::Local<v8::Value> FromVariantAt(const VARIANT& value, const Reading& reading) {
  v8::Isolate* isolate = reading.isolate;
  if (reading.depth > kMaxNesting) return v8::Undefined(isolate);
  const bool by_reference = (value.vt & VT_BYREF) != 0;
  if (by_reference && value.byref == nullptr) return v8::Undefined(isolate);
  const VARTYPE type = value.vt & VT_TYPEMASK;
  if (value.vt & VT_ARRAY) {
    return FromSafeArray(by_reference ? *value.pparray : value.parray, type, reading);
  }
  switch (type) {
    case VT_NULL:
      return v8::Null(isolate);
    case VT_I1:
      return v8::Integer::New(isolate, static_cast<signed char>(Value(value, value.cVal, value.pcVal)));
    case VT_UI1:
      return v8::Integer::New(isolate, Value(value, value.bVal, value.pbVal));
    case VT_I2:
      return v8::Integer::New(isolate, Value(value, value.iVal, value.piVal));
    case VT_UI2:
      return v8::Integer::New(isolate, Value(value, value.uiVal, value.puiVal));
    case VT_I4:
      return v8::Integer::New(isolate, Value(value, value.lVal, value.plVal));
    case VT_UI4:
      return v8::Integer::NewFromUnsigned(isolate, Value(value, value.ulVal, value.pulVal));
    case VT_INT:
      return v8::Integer::New(isolate, Value(value, value.intVal, value.pintVal));
    case VT_UINT:
      return v8::Integer::NewFromUnsigned(isolate, Value(value, value.uintVal, value.puintVal));
    case VT_R4:
      return v8::Number::New(isolate, static_cast<double>(Value(value, value.fltVal, value.pfltVal)));
    case VT_R8:
      return v8::Number::New(isolate, Value(value, value.dblVal, value.pdblVal));
    case VT_UI8:
      return v8::Number::New(isolate, static_cast<double>(Value(value, value.ullVal, value.pullVal)));
    case VT_DATE:
      // The DATE number is the time value in milliseconds, unchanged.
      return Nan::New<v8::Date>(Value(value, value.date, value.pdate))
          .FromMaybe(v8::Local<v8::Value>(v8::Undefined(isolate)));
    case VT_BOOL:
      return v8::Boolean::New(isolate, Value(value, value.boolVal, value.pboolVal) == VARIANT_TRUE);
    case VT_BSTR: {
      BSTR text = Value(value, value.bstrVal, value.pbstrVal);
      if (text == nullptr) return v8::Undefined(isolate);
      v8::Local<v8::String> string;
      if (!ScriptString(text, SysStringLen(text)).ToLocal(&string))
        return Refuse(reading, "a string longer than the script engine takes");
      return string;
    }
    case VT_DISPATCH: {
      IDispatch* object = Value(value, value.pdispVal, value.ppdispVal);
      if (object == nullptr) return v8::Undefined(isolate);
      v8::Local<v8::Object> wrapped = WrapDispatch(win::ComPtr<IDispatch>::Share(object));
      if (wrapped.IsEmpty()) return v8::Undefined(isolate);
      reading.made->Add(ComObjectOf(wrapped));
      return wrapped;
    }
    case VT_VARIANT:
      if (!by_reference) return v8::Undefined(isolate);
      return FromVariantAt(*value.pvarVal, reading.deeper());
    default:
      // VT_EMPTY, VT_CY, VT_ERROR, VT_UNKNOWN, VT_DECIMAL, VT_I8 and the rest.
      return v8::Undefined(isolate);
  }
}

}  // namespace

namespace {

// Whether clearing the VARIANT frees anything: numbers, dates, booleans,
// errors and by-reference slots own nothing. Most arguments are numbers,
// and skipping the call is measurable on every call.
bool OwnsSomething(const VARIANT& value) {
  if (value.vt & VT_BYREF) return false;
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
      return false;
    default:
      return true;
  }
}

}  // namespace

CallArguments::~CallArguments() {
  for (size_t i = 0; i < count_; ++i) {
    if (OwnsSomething(slots_[i])) VariantClear(&slots_[i]);
  }
}

bool CallArguments::Convert(const ScriptValues& values, bool record_out) {
  const size_t count = values.size();
  if (count > kInlineSlots) {
    more_slots_.resize(count);
    slots_ = more_slots_.data();
  }
  count_ = count;
  for (size_t i = 0; i < count; ++i) slots_[i].vt = VT_EMPTY;  // as VariantInit does
  for (size_t i = 0; i < count; ++i) {
    const size_t position = count - 1 - i;  // the last argument at index 0
    VARIANT* slot = &slots_[position];
    Problem problem;
    Conversion outcome = ToVariant(values[i], slot, 0, &problem, Place::kArgument);
    if (outcome == Conversion::kHolder) {
      v8::Local<v8::Value> inner;
      if (!Nan::Get(values[i].As<v8::Object>(), Nan::New("_out").ToLocalChecked()).ToLocal(&inner)) {
        outcome = Conversion::kThrew;
      } else if (inner->IsUndefined()) {
        SetMissing(slot);  // never by reference, never written back
        outcome = Conversion::kDone;
      } else {
        auto cell = std::make_unique<win::Variant>();
        outcome = ToVariant(inner, cell->get(), 0, &problem, Place::kValue);
        if (outcome == Conversion::kDone) {
          PointAtCell(slot, cell->get());
          cells_.push_back(std::move(cell));
          if (record_out) out_holders_.emplace_back(values[i].As<v8::Object>(), position);
        }
      }
    }
    if (outcome == Conversion::kRejected) {
      std::string message = "Argument " + std::to_string(i + 1) + " cannot be passed to COM: " + problem.what;
      Nan::ThrowTypeError(message.c_str());
    }
    if (outcome != Conversion::kDone) return false;
  }
  return true;
}

DISPPARAMS* CallArguments::params() {
  params_ = {slots_, nullptr, static_cast<UINT>(count_), 0};
  return &params_;
}

DISPPARAMS* CallArguments::put_params() {
  params_ = {slots_, &put_id_, static_cast<UINT>(count_), 1};
  return &params_;
}

namespace {

// Whether setting the holder's "_out" would hand a value to script: it is an
// own writable data property or has a setter. A frozen holder, or one that
// lost the property, takes nothing. Nothing when script threw (a proxy).
Nan::Maybe<bool> TakesWriteBack(v8::Local<v8::Object> holder, v8::Local<v8::String> key) {
  v8::Local<v8::Value> found;
  if (!holder->GetOwnPropertyDescriptor(Nan::GetCurrentContext(), key).ToLocal(&found)) return Nan::Nothing<bool>();
  if (!found->IsObject()) return Nan::Just(false);
  v8::Local<v8::Object> descriptor = found.As<v8::Object>();
  v8::Local<v8::Value> setter, writable;
  if (!Nan::Get(descriptor, Nan::New("set").ToLocalChecked()).ToLocal(&setter) ||
      !Nan::Get(descriptor, Nan::New("writable").ToLocalChecked()).ToLocal(&writable))
    return Nan::Nothing<bool>();
  return Nan::Just(setter->IsFunction() || writable->IsTrue());
}

}  // namespace

bool FitsCom(uint32_t length) { return length <= kMaxArrayCells; }

bool CallArguments::WriteBackOutValues(const char** refusal) const {
  if (out_holders_.empty()) return true;  // no key to make
  v8::Local<v8::String> key = Nan::New("_out").ToLocalChecked();
  for (const auto& [holder, position] : out_holders_) {
    bool takes = false;
    if (!TakesWriteBack(holder, key).To(&takes)) return false;
    if (!takes) continue;
    MadeObjects made;
    v8::Local<v8::Value> value;
    if (!FromVariant(slots_[position], &made, refusal).ToLocal(&value)) return false;
    if (Nan::Set(holder, key, value).IsNothing()) {
      // The setter threw: script never received what was made for it.
      made.DiscardAll();
      return false;
    }
  }
  return true;
}

void MadeObjects::Add(ComObjectWrapper* object) {
  if (count_ < kInline) {
    first_[count_] = object;
  } else {
    more_.push_back(object);
  }
  ++count_;
}

void MadeObjects::DiscardAll() {
  for (size_t i = 0; i < count_ && i < kInline; ++i) DiscardComObject(first_[i]);
  for (ComObjectWrapper* object : more_) DiscardComObject(object);
  count_ = 0;
  more_.clear();
}

v8::MaybeLocal<v8::Value> FromVariant(const VARIANT& value, MadeObjects* made, const char** refusal) {
  *refusal = nullptr;
  v8::Local<v8::Value> result = FromVariantAt(value, {v8::Isolate::GetCurrent(), 0, made, refusal});
  if (*refusal != nullptr) {
    made->DiscardAll();
    return v8::MaybeLocal<v8::Value>();
  }
  return result.IsEmpty() ? v8::Local<v8::Value>(Nan::Undefined()) : result;
}

void ThrowRefused(const char* what, const char* refusal) {
  std::string message = std::string(what) + " cannot be passed to script: " + refusal;
  Nan::ThrowTypeError(message.c_str());
}

}  // namespace com_bridge
