#include "tools/fake_gateway/fake_gateway.h"

struct FakeGateway::Impl {
    Options options;
};

rt::nstring FakeGateway::Request::header(const std::string&) const { return rt::null; }
std::size_t FakeGateway::Request::header_count(const std::string&) const { return 0; }
std::vector<std::pair<std::string, std::string>> FakeGateway::Request::form() const { return {}; }
rt::nstring FakeGateway::Request::field(const std::string&) const { return rt::null; }

FakeGateway::FakeGateway() : FakeGateway(Options{}) {}
FakeGateway::FakeGateway(Options options) : impl_(std::make_unique<Impl>()) { impl_->options = options; }
FakeGateway::~FakeGateway() = default;

std::uint16_t FakeGateway::port() const { return 0; }
std::string FakeGateway::url() const { return "http://127.0.0.1:0/"; }
void FakeGateway::script(const std::string&, rt::blob) {}
void FakeGateway::serve(const std::string&, rt::blob, int) {}
void FakeGateway::fail(Failure) {}
std::vector<FakeGateway::Request> FakeGateway::requests() const { return {}; }
std::size_t FakeGateway::request_count() const { return 0; }
FakeGateway::Request FakeGateway::last_request() const { return {}; }
void FakeGateway::clear_requests() {}
long FakeGateway::balance() const { return 0; }
rt::blob FakeGateway::send_answer(const rt::nstring&, const rt::nstring&, const rt::nstring&, const rt::nstring&,
                                  const rt::nstring&) { return {}; }
rt::blob FakeGateway::balance_answer(const rt::nstring&, const rt::nstring&, const rt::nstring&, const rt::nstring&,
                                     const rt::nstring&) { return {}; }
rt::blob FakeGateway::account_answer(const rt::nstring&, const rt::nstring&, const rt::nstring&, const rt::nstring&) {
    return {};
}
rt::blob FakeGateway::zip_archive(const std::string&, const rt::blob&) { return {}; }
