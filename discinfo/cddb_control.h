#pragma once
// The program's one door to the CDDB component: every use of it goes through
// this wrapper, named as the component's operations are.
#include <memory>
#include <string>

#include "discinfo/cddb/cddb_component.h"

class CCDDBControl {
 public:
  explicit CCDDBControl(ICddbEvents* events) : component_(std::make_unique<CCddbComponent>(events)) {}

  void SetClient(const std::string& id, const std::string& key, const std::string& version,
                 const std::string& registration) {
    component_->SetClient(id, key, version, registration);
  }
  void SetParentWindow(intptr_t window, int32_t flags) { component_->SetParentWindow(window, flags); }
  std::shared_ptr<CCddbOptions> ReadOptions() { return component_->ReadOptions(); }
  void ApplyOptions(const CCddbOptions& options) { component_->ApplyOptions(options); }
  int32_t IsUserRegistered(int32_t mayAsk) { return component_->IsUserRegistered(mayAsk); }
  void RegisterUser() { component_->RegisterUser(); }
  std::string TocFromDevice(uint32_t device) { return component_->TocFromDevice(device); }
  void LookupToc(const std::string& toc, int32_t flags) { component_->LookupToc(toc, flags); }
  std::shared_ptr<CCddbDisc> ExactMatch() { return component_->ExactMatch(); }
  std::shared_ptr<CCddbDiscCollection> MatchList() { return component_->MatchList(); }
  std::shared_ptr<CCddbDisc> FetchFullDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) {
    return component_->FetchFullDisc(disc, flags);
  }
  std::shared_ptr<std::vector<std::string>> PreloadTables1(int32_t flags) { return component_->PreloadTables1(flags); }
  std::shared_ptr<std::vector<std::string>> PreloadTables2(int32_t flags) { return component_->PreloadTables2(flags); }
  std::shared_ptr<CCddbDisc> NewDisc(const std::string& toc) { return component_->NewDisc(toc); }
  void SubmitDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) { component_->SubmitDisc(disc, flags); }
  void StopBrowse(int32_t flags) { component_->StopBrowse(flags); }
  void EditDisc(const std::shared_ptr<CCddbDisc>& disc, int32_t flags) { component_->EditDisc(disc, flags); }
  void CancelCommand() { component_->CancelCommand(); }
  void ClearCache(int32_t flags) { component_->ClearCache(flags); }

 private:
  std::unique_ptr<CCddbComponent> component_;
};
