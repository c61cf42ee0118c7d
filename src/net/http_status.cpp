#include "net/http_status.h"

namespace qir {

HttpStatus MapHttpStatus(std::uint32_t status_code) {
  if (status_code >= 200 && status_code <= 299) return HttpStatus::Ok;
  if (status_code >= 400 && status_code <= 499) return HttpStatus::Fail;
  return HttpStatus::Retry;
}

const char* HttpStatusName(HttpStatus status) {
  switch (status) {
    case HttpStatus::Ok:
      return "Ok";
    case HttpStatus::Retry:
      return "Retry";
    case HttpStatus::Fail:
      return "Fail";
  }
  return "Fail";
}

}  // namespace qir
